// test_editor_scene.cpp - the tests' scene.
#include "dialog/test_editor_scene.h"

#include <memory>

#include "metadata/meta_data.h"

void CTestScene::CopyScene(CDestinationMap& target) const {
    RemoveAllDestinations(target);
    POSITION pos = m_map.GetStartPosition();
    while (pos != nullptr) {
        const auto* entry = m_map.GetNextAssocPtr(pos);
        if (entry->value->GetType() != 0) {
            continue;
        }
        auto copy = std::make_unique<CDestination>();
        copy->CopyFrom(entry->value);
        target.SetAt(entry->key, copy.release());
    }
}

CDestination* CTestScene::FindDestination(const CString& key) const {
    CDestination* object = nullptr;
    return m_map.Lookup(key, object) ? object : nullptr;
}

CMetaDataSource* CTestScene::FindMetaDataSource(const CString& key) const {
    CDestination* object = FindDestination(key);
    return object != nullptr && object->GetType() == 1 ? static_cast<CMetaDataSource*>(object)
                                                       : nullptr;
}

void CTestScene::Store(const CString& key, CDestination* object) {
    AssignBstr(object->m_bstrKey, key);
    Delete(key);
    m_map.SetAt(key, object);
}

void CTestScene::AddDestination(const CString& key, const CString& name) {
    auto destination = std::make_unique<CDestination>();
    AssignBstr(destination->m_bstrName, name);
    Store(key, destination.release());
}

CMetaDataSource* CTestScene::AddSource(
    const CString& key, const CString& name,
    const std::vector<std::pair<std::u16string, std::u16string>>& flat) {
    auto source = std::make_unique<CMetaDataSource>();
    AssignBstr(source->m_bstrName, name);
    CMetaData values;
    for (const auto& [qualified, value] : flat) {
        values.m_Values.SetAt(qualified, value);
    }
    source->SplitByNamespace(&values);
    CMetaDataSource* raw = source.release();
    Store(key, raw);
    return raw;
}

CMetaDataSource* CTestScene::AddPacket(const CString& key, const CString& name,
                                       const char* packet) {
    auto source = std::make_unique<CMetaDataSource>();
    AssignBstr(source->m_bstrName, name);
    source->Load(packet);
    CMetaDataSource* raw = source.release();
    Store(key, raw);
    return raw;
}

void CTestScene::Delete(const CString& key) {
    CDestination* old = nullptr;
    if (m_map.Lookup(key, old)) {
        m_map.RemoveKey(key);
        DeleteDestination(old);
    }
}
