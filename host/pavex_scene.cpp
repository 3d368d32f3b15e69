// pavex_scene.cpp - CPavexScene.
#include "host/pavex_scene.h"

#include <memory>
#include <utility>

#include "host/results.h"
#include "platform/bstr.h"

int CPavexScene::s_nNextSceneID = 1;

CPavexScene::CPavexScene() : m_nID(s_nNextSceneID++) {}

CPavexScene::~CPavexScene() {
    RemoveAllDestinations();
}

int CPavexScene::StoreReplacing(const CString& key, std::unique_ptr<CDestination> obj) {
    if (auto* entry = m_mapDestinations.PLookup(key)) {
        // The new object is complete: only now does the old one go. Assigning to an existing entry
        // allocates nothing, so the map can no longer fail.
        DeleteDestination(std::move(entry->value));
        entry->value = std::move(obj);
        return StoreResult::kReplaced;
    }
    // Only making the entry can fail, and then obj is still ours and goes with the call.
    m_mapDestinations[key] = std::move(obj);
    return StoreResult::kStored;
}

int CPavexScene::AddDestination(const char* name, const CString& key, int hostData) {
    auto dest = std::make_unique<CDestination>();
    dest->SetHostData(hostData);
    if (name != nullptr && name[0] != '\0') {
        dest->SetName(CString(name));
    }
    dest->SetKey(key);
    return StoreReplacing(key, std::move(dest));
}

int CPavexScene::DelDestination(const CString& key) {
    auto* entry = m_mapDestinations.PLookup(key);
    if (entry == nullptr) {
        return DelDestinationResult::kNothingUnderKey;
    }
    std::unique_ptr<CDestination> obj = std::move(entry->value);
    m_mapDestinations.RemoveKey(key);
    return DeleteDestination(std::move(obj));
}

int CPavexScene::SetMetaData(const char* packet, const char* name, const CString& key,
                             int hostData) {
    auto source = std::make_unique<CMetaDataSource>();
    source->SetHostData(hostData);
    source->SetName(CString(name));
    source->SetKey(key);
    source->Load(packet);
    // A source replacing a source inherits its rules; anything else replaced leaves nothing.
    if (const CMetaDataSource* old = FindMetaDataSource(key)) {
        source->CopyRules(&old->GetStoredRules());
    }
    return StoreReplacing(key, std::move(source));
}

CDestination* CPavexScene::FindDestination(const CString& key) const {
    const auto* entry = m_mapDestinations.PLookup(key);
    return entry == nullptr ? nullptr : entry->value.get();
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
        copy->CopyFrom(entry->value.get());
        target[entry->key] = std::move(copy);
    }
}

void CPavexScene::RemoveAllDestinations() {
    ::RemoveAllDestinations(m_mapDestinations);
}
