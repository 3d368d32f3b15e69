// test_editor_scene.h - a scene for tests: template destinations and metadata sources under keys,
// seen by the editor through IEditorScene.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "dialog/editor_scene.h"
#include "metadata/destination.h"
#include "metadata/meta_data_source.h"

class CTestScene final : public IEditorScene {
  public:
    explicit CTestScene(int id = 1) : m_nID(id) {}
    ~CTestScene() { RemoveAllDestinations(m_map); }
    CTestScene(const CTestScene&) = delete;
    CTestScene& operator=(const CTestScene&) = delete;

    int GetSceneID() const override { return m_nID; }
    void CopyScene(CDestinationMap& target) const override;
    CDestination* FindDestination(const CString& key) const override;
    CMetaDataSource* FindMetaDataSource(const CString& key) const override;

    // Stores a template destination (replacing whatever was under the key).
    void AddDestination(const CString& key, const CString& name);
    // Stores a source made from qualified-name/value pairs as a packet's reader would flatten
    // them ("xmlns:nw" -> URI declares a namespace, "nw:title" -> value).
    CMetaDataSource* AddSource(const CString& key, const CString& name,
                               const std::vector<std::pair<std::u16string, std::u16string>>& flat);
    // Stores a source read from an XMP packet.
    CMetaDataSource* AddPacket(const CString& key, const CString& name, const char* packet);
    void Delete(const CString& key);

  private:
    void Store(const CString& key, std::unique_ptr<CDestination> object);
    int m_nID;
    CDestinationMap m_map;
};
