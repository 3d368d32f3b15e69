// olvane_app.h - COlvaneApp: the application object; owns every scene for the life of the library.
#pragma once

#include <memory>

#include "host/pavex_scene.h"
#include "metadata/bstr_meta_data_tree.h"
#include "platform/cmap.h"
#include "rules/rule.h"

class COlvaneApp {
  public:
    COlvaneApp();   // at load: InitInstance
    ~COlvaneApp();  // at unload: ExitInstance, then the (empty) map goes
    COlvaneApp(const COlvaneApp&) = delete;
    COlvaneApp& operator=(const COlvaneApp&) = delete;

    bool InitInstance();
    int ExitInstance();

    int AddScene();
    int AddDestination(int sceneID, const char* name, const char* key, int hostData);
    int DelDestination(int sceneID, const char* key);
    int DelScene(int sceneID);
    int GetAllNamespaces(int sceneID, const char* key, CBSTRMetaDataTree** tree);
    int GetRules(int sceneID, const char* key, CRuleArray* rules);
    BSTR GetRulesXML(int sceneID, const char* key);
    int ParseRules(int sceneID, const char* key, CRuleArray* rules);
    void RemoveAllScenes();
    int SetMetaData(int sceneID, const char* packet, const char* key, const char* name);
    int SetRulesDialog(int sceneID, const char* key);
    int SetRulesXML(int sceneID, const char* key, BSTR xml, int append);

    CPavexScene* FindScene(int sceneID) const;

  private:
    friend class HostTestPeer;  // host/host_test_peer.h

    // Scene ID to the scene, which the map owns.
    CMap<int, int, std::unique_ptr<CPavexScene>, CPavexScene*> m_mapScenes;
};

// The one instance.
COlvaneApp& TheApp();

// The two free workers behind FreeRules and FreeNamespace.
int FreeRuleRecords(CRuleArray* rules);
int FreeNamespaceTree(CBSTRMetaDataTree** tree);
