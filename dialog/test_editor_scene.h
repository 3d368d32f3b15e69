// test_editor_scene.h - a scene for tests: template destinations and metadata sources under keys,
// seen by the editor through IEditorScene as the host's scene is.
#pragma once

#include <memory>
#include <utility>

#include "dialog/editor_scene.h"
#include "metadata/meta_data.h"

class CTestScene final : public IEditorScene {
  public:
    explicit CTestScene(int id = 1) : m_nID(id) {}
    ~CTestScene() { RemoveAllDestinations(m_map); }

    int GetSceneID() const override { return m_nID; }
    void CopyScene(CDestinationMap& target) const override {
        RemoveAllDestinations(target);
        for (POSITION pos = m_map.GetStartPosition(); pos != nullptr;) {
            const auto* entry = m_map.GetNextAssocPtr(pos);
            if (entry->value->GetType() == DestinationType::kTemplate) {
                auto copy = std::make_unique<CDestination>();
                copy->CopyFrom(entry->value.get());
                target[entry->key] = std::move(copy);
            }
        }
    }
    CDestination* FindDestination(const CString& key) const override {
        const auto* entry = m_map.PLookup(key);
        return entry == nullptr ? nullptr : entry->value.get();
    }
    CMetaDataSource* FindMetaDataSource(const CString& key) const override {
        CDestination* object = FindDestination(key);
        return object != nullptr && object->GetType() == DestinationType::kMetaDataSource
                   ? static_cast<CMetaDataSource*>(object)
                   : nullptr;
    }

    void AddDestination(const CString& key, const CString& name) {
        Store(key, name, std::make_unique<CDestination>());
    }
    CMetaDataSource* AddSource(const CString& key, const CString& name, const char* packet) {
        auto source = std::make_unique<CMetaDataSource>();
        source->Load(packet);
        return static_cast<CMetaDataSource*>(Store(key, name, std::move(source)));
    }

  private:
    CDestination* Store(const CString& key, const CString& name,
                        std::unique_ptr<CDestination> object) {
        object->SetKey(key);
        object->SetName(name);
        if (auto* entry = m_map.PLookup(key)) {
            std::unique_ptr<CDestination> old = std::move(entry->value);
            m_map.RemoveKey(key);
            DeleteDestination(std::move(old));
        }
        CDestination* raw = object.get();
        m_map[key] = std::move(object);
        return raw;
    }
    int m_nID;
    CDestinationMap m_map;
};
