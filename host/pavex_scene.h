// pavex_scene.h - CPavexScene: one scene of the host, its template destinations and metadata
// sources in one keyed collection.
#pragma once

#include <memory>

#include "dialog/editor_scene.h"
#include "metadata/bstr_meta_data_tree.h"
#include "metadata/destination.h"
#include "metadata/meta_data_source.h"
#include "platform/cstring.h"
#include "rules/rule.h"

class CPavexScene final : public IEditorScene {
  public:
    CPavexScene();  // takes the next scene ID
    ~CPavexScene();
    CPavexScene(const CPavexScene&) = delete;
    CPavexScene& operator=(const CPavexScene&) = delete;

    int AddDestination(const char* name, const CString& key, int hostData);
    int DelDestination(const CString& key);
    int SetMetaData(const char* packet, const char* name, const CString& key, int hostData);
    CDestination* FindDestination(const CString& key) const override;
    CMetaDataSource* FindMetaDataSource(const CString& key) const override;
    BSTR GetRulesXML(const CString& key) const;
    int SetRulesXML(const CString& key, const char16_t* text, int append);
    int GetRules(const CString& key, CRuleArray* rules) const;
    int ParseRules(const CString& key, CRuleArray* rules) const;
    int GetAllNamespaces(const CString& key, CBSTRMetaDataTree* root) const;
    void CopyScene(CDestinationMap& target) const override;
    void RemoveAllDestinations();
    int GetSceneID() const override { return m_nID; }

  private:
    friend class COlvaneApp;    // gives back the ID of a scene it could not store
    friend class HostTestPeer;  // host/host_test_peer.h

    // Stores obj under key, replacing (and deleting) what was there: StoreResult::kStored or
    // kReplaced. Never throws once the old object is gone.
    int StoreReplacing(const CString& key, std::unique_ptr<CDestination> obj);

    CDestinationMap m_mapDestinations;
    const int m_nID;

    // The ID the next scene takes: from 1 up, never reused while the library is loaded.
    static int s_nNextSceneID;
};
