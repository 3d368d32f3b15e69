// editor_scene.h - what the rules editor reads of its scene. The scene lives above the editor (in
// the host layer), so the editor sees it through this interface.
#pragma once

#include "metadata/destination.h"
#include "metadata/meta_data_source.h"
#include "platform/cstring.h"

class IEditorScene {
  public:
    // The scene's ID (m_nID).
    virtual int GetSceneID() const = 0;
    // Empties target, then fills it with copies of the scene's template destinations (type 0 only).
    virtual void CopyScene(CDestinationMap& target) const = 0;
    // The object under key, of any type, or null.
    virtual CDestination* FindDestination(const CString& key) const = 0;
    // The object under key if it is a metadata source, else null.
    virtual CMetaDataSource* FindMetaDataSource(const CString& key) const = 0;

  protected:
    ~IEditorScene() = default;
};
