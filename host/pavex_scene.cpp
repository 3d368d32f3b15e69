// pavex_scene.cpp - CPavexScene.
#include "host/pavex_scene.h"

#include <memory>

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
        return -3;
    }
    m_mapDestinations.SetAt(key, obj);
    return 1;
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
        return 1;
    }
    return StoreReplacing(key, dest.release());
}

int CPavexScene::DelDestination(const CString& key) {
    CDestination* obj = nullptr;
    if (!m_mapDestinations.Lookup(key, obj)) {
        return -2;
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
        return 1;
    }
    if (old != nullptr && old->GetType() == 1) {
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
    return (obj != nullptr && obj->GetType() == 1) ? static_cast<CMetaDataSource*>(obj) : nullptr;
}

BSTR CPavexScene::GetRulesXML(const CString& key) const {
    const CMetaDataSource* source = FindMetaDataSource(key);
    if (source == nullptr) {
        return CString(u"-2").AllocSysString();
    }
    return source->GetRulesXML();
}

int CPavexScene::SetRulesXML(const CString& key, const char16_t* text, int append) {
    CMetaDataSource* source = FindMetaDataSource(key);
    if (source == nullptr) {
        return -2;
    }
    source->SetRulesXML(text, append);
    return 1;
}

int CPavexScene::GetRules(const CString& key, CRuleArray* rules) const {
    if (rules == nullptr) {
        return -4;
    }
    FreeRuleArray(rules);
    const CDestination* obj = FindDestination(key);
    if (obj == nullptr) {
        return -2;
    }
    if (obj->GetType() != 1) {
        return -3;
    }
    static_cast<const CMetaDataSource*>(obj)->GetRules(rules);
    return 1;
}

int CPavexScene::ParseRules(const CString& key, CRuleArray* rules) const {
    const CDestination* obj = FindDestination(key);
    if (obj == nullptr) {
        return -2;
    }
    if (obj->GetType() != 1) {
        return -3;
    }
    static_cast<const CMetaDataSource*>(obj)->ParseRules(rules);
    return 1;
}

int CPavexScene::GetAllNamespaces(const CString& key, CBSTRMetaDataTree* root) const {
    if (root == nullptr) {
        return -2;
    }
    const CDestination* obj = FindDestination(key);
    if (obj == nullptr) {
        return -3;
    }
    if (obj->GetType() != 1) {
        return -4;
    }
    static_cast<const CMetaDataSource*>(obj)->GetAllNamespaces(root);
    return 1;
}

void CPavexScene::CopyScene(CDestinationMap& target) const {
    ::RemoveAllDestinations(target);
    POSITION pos = m_mapDestinations.GetStartPosition();
    while (pos != nullptr) {
        const auto* entry = m_mapDestinations.GetNextAssocPtr(pos);
        if (entry->value == nullptr || entry->value->GetType() != 0) {
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
