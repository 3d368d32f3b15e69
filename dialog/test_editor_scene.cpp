// test_editor_scene.cpp - the tests' scene.
#include "dialog/test_editor_scene.h"

#include <memory>
#include <utility>

#include "metadata/meta_data.h"

void CTestScene::CopyScene(CDestinationMap& target) const {
    RemoveAllDestinations(target);
    POSITION pos = m_map.GetStartPosition();
    while (pos != nullptr) {
        const auto* entry = m_map.GetNextAssocPtr(pos);
        if (entry->value->GetType() != DestinationType::kTemplate) {
            continue;
        }
        auto copy = std::make_unique<CDestination>();
        copy->CopyFrom(entry->value.get());
        target[entry->key] = std::move(copy);
    }
}

CDestination* CTestScene::FindDestination(const CString& key) const {
    const auto* entry = m_map.PLookup(key);
    return entry == nullptr ? nullptr : entry->value.get();
}

CMetaDataSource* CTestScene::FindMetaDataSource(const CString& key) const {
    CDestination* object = FindDestination(key);
    return object != nullptr && object->GetType() == DestinationType::kMetaDataSource
               ? static_cast<CMetaDataSource*>(object)
               : nullptr;
}

void CTestScene::Store(const CString& key, std::unique_ptr<CDestination> object) {
    object->SetKey(key);
    Delete(key);
    m_map[key] = std::move(object);
}

void CTestScene::AddDestination(const CString& key, const CString& name) {
    auto destination = std::make_unique<CDestination>();
    destination->SetName(name);
    Store(key, std::move(destination));
}

CMetaDataSource* CTestScene::AddSource(
    const CString& key, const CString& name,
    const std::vector<std::pair<std::u16string, std::u16string>>& flat) {
    auto source = std::make_unique<CMetaDataSource>();
    source->SetName(name);
    CMetaData values;
    for (const auto& [qualified, value] : flat) {
        values.m_Values.SetAt(qualified, value);
    }
    source->SplitByNamespace(&values);
    CMetaDataSource* raw = source.get();
    Store(key, std::move(source));
    return raw;
}

CMetaDataSource* CTestScene::AddPacket(const CString& key, const CString& name,
                                       const char* packet) {
    auto source = std::make_unique<CMetaDataSource>();
    source->SetName(name);
    source->Load(packet);
    CMetaDataSource* raw = source.get();
    Store(key, std::move(source));
    return raw;
}

void CTestScene::Delete(const CString& key) {
    if (auto* entry = m_map.PLookup(key)) {
        std::unique_ptr<CDestination> old = std::move(entry->value);
        m_map.RemoveKey(key);
        DeleteDestination(std::move(old));
    }
}
