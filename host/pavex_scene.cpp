// pavex_scene.cpp - CPavexScene.
#include "host/pavex_scene.h"

#include <memory>

#include "host/results.h"
#include "platform/bstr.h"

int CPavexScene::s_nNextSceneID = 1;

CPavexScene::CPavexScene() : m_nID(s_nNextSceneID++) {}

CPavexScene::~CPavexScene() {
    RemoveAllDestinations();
}

int CPavexScene::StoreReplacing(const CString& key, CDestination* obj) {
    if (auto* entry = m_mapDestinations.PLookup(key)) {
        // The new object is complete: only now does the old one go. Assigning to an existing entry
        // allocates nothing, so the map can no longer fail.
        DeleteDestination(entry->value);
        entry->value = obj;
        return StoreResult::kReplaced;
    }
    m_mapDestinations.SetAt(key, obj);
    return StoreResult::kStored;
}

int CPavexScene::AddDestination(const char* name, const CString& key, int hostData) {
    auto dest = std::make_unique<CDestination>();
    dest->m_nHostData = hostData;
    if (name != nullptr && name[0] != '\0') {
        AssignBstr(dest->m_bstrName, CString(name));
    }
    AssignBstr(dest->m_bstrKey, key);
    if (m_mapDestinations.PLookup(key) == nullptr) {
        m_mapDestinations.SetAt(key, dest.get());  // may throw: dest is still ours
        dest.release();
        return StoreResult::kStored;
    }
    return StoreReplacing(key, dest.release());
}

int CPavexScene::DelDestination(const CString& key) {
    CDestination* obj = nullptr;
    if (!m_mapDestinations.Lookup(key, obj)) {
        return DelDestinationResult::kNothingUnderKey;
    }
    m_mapDestinations.RemoveKey(key);
    return DeleteDestination(obj);
}

int CPavexScene::SetMetaData(const char* packet, const char* name, const CString& key,
                             int hostData) {
    auto source = std::make_unique<CMetaDataSource>();
    source->m_nHostData = hostData;
    AssignBstr(source->m_bstrName, CString(name));
    AssignBstr(source->m_bstrKey, key);
    source->Load(packet);
    CDestination* old = nullptr;
    if (!m_mapDestinations.Lookup(key, old)) {
        m_mapDestinations.SetAt(key, source.get());
        source.release();
        return StoreResult::kStored;
    }
    if (old != nullptr && old->GetType() == DestinationType::kMetaDataSource) {
        source->CopyRules(&static_cast<CMetaDataSource*>(old)->m_Rules);
    }
    return StoreReplacing(key, source.release());
}

CDestination* CPavexScene::FindDestination(const CString& key) const {
    CDestination* obj = nullptr;
    m_mapDestinations.Lookup(key, obj);
    return obj;
}

CMetaDataSource* CPavexScene::FindMetaDataSource(const CString& key) const {
    CDestination* obj = FindDestination(key);
    return (obj != nullptr && obj->GetType() == DestinationType::kMetaDataSource)
               ? static_cast<CMetaDataSource*>(obj)
               : nullptr;
}

BSTR CPavexScene::GetRulesXML(const CString& key) const {
    const CMetaDataSource* source = FindMetaDataSource(key);
    if (source == nullptr) {
        return CString(kNotASourceText).AllocSysString();
    }
    return source->GetRulesXML();
}

int CPavexScene::SetRulesXML(const CString& key, const char16_t* text, int append) {
    CMetaDataSource* source = FindMetaDataSource(key);
    if (source == nullptr) {
        return SetRulesXmlResult::kNotASource;
    }
    source->SetRulesXML(text, append);
    return SetRulesXmlResult::kDone;
}

int CPavexScene::GetRules(const CString& key, CRuleArray* rules) const {
    if (rules == nullptr) {
        return RulesResult::kSceneNullList;
    }
    const CDestination* obj = FindDestination(key);
    if (obj == nullptr || obj->GetType() != DestinationType::kMetaDataSource) {
        FreeRuleArray(rules);  // emptied whatever the key holds
        return obj == nullptr ? RulesResult::kNothingUnderKey : RulesResult::kNotASource;
    }
    // The copies replace the host's records only once all of them exist, so that a failed
    // allocation leaves the array as the host passed it.
    static_cast<const CMetaDataSource*>(obj)->GetRules(rules);
    return RulesResult::kFilled;
}

int CPavexScene::ParseRules(const CString& key, CRuleArray* rules) const {
    const CDestination* obj = FindDestination(key);
    if (obj == nullptr) {
        return RulesResult::kNothingUnderKey;
    }
    if (obj->GetType() != DestinationType::kMetaDataSource) {
        return RulesResult::kNotASource;
    }
    static_cast<const CMetaDataSource*>(obj)->ParseRules(rules);
    return RulesResult::kFilled;
}

int CPavexScene::GetAllNamespaces(const CString& key, CBSTRMetaDataTree* root) const {
    if (root == nullptr) {
        return NamespacesResult::kNullTree;
    }
    const CDestination* obj = FindDestination(key);
    if (obj == nullptr) {
        return NamespacesResult::kNothingUnderKey;
    }
    if (obj->GetType() != DestinationType::kMetaDataSource) {
        return NamespacesResult::kNotASource;
    }
    static_cast<const CMetaDataSource*>(obj)->GetAllNamespaces(root);
    return NamespacesResult::kFilled;
}

void CPavexScene::CopyScene(CDestinationMap& target) const {
    ::RemoveAllDestinations(target);
    POSITION pos = m_mapDestinations.GetStartPosition();
    while (pos != nullptr) {
        const auto* entry = m_mapDestinations.GetNextAssocPtr(pos);
        if (entry->value == nullptr || entry->value->GetType() != DestinationType::kTemplate) {
            continue;
        }
        auto copy = std::make_unique<CDestination>();
        copy->CopyFrom(entry->value);
        target.SetAt(entry->key, copy.get());
        copy.release();
    }
}

void CPavexScene::RemoveAllDestinations() {
    ::RemoveAllDestinations(m_mapDestinations);
}
