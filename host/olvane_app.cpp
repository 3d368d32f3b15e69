// olvane_app.cpp - COlvaneApp and its global instance.
#include "host/olvane_app.h"

#include <memory>

#include "dialog/rules_dialog_runner.h"
#include "platform/bstr.h"
#include "platform/module_state.h"

namespace {
COlvaneApp g_theApp;
}  // namespace

COlvaneApp& TheApp() {
    return g_theApp;
}

COlvaneApp::COlvaneApp() {
    InitInstance();
}

COlvaneApp::~COlvaneApp() {
    ExitInstance();
}

bool COlvaneApp::InitInstance() {
    return true;
}

int COlvaneApp::ExitInstance() {
    RemoveAllScenes();
    return 0;
}

CPavexScene* COlvaneApp::FindScene(int sceneID) const {
    CPavexScene* scene = nullptr;
    m_mapScenes.Lookup(sceneID, scene);
    return scene;
}

int COlvaneApp::AddScene() {
    OLVANE_MANAGE_STATE();
    auto scene = std::make_unique<CPavexScene>();
    const int id = scene->m_nID;
    m_mapScenes.SetAt(id, scene.get());
    scene.release();
    return id;
}

int COlvaneApp::AddDestination(int sceneID, const char* name, const char* key, int hostData) {
    OLVANE_MANAGE_STATE();
    const CString wideKey(key);
    CPavexScene* scene = FindScene(sceneID);
    if (scene == nullptr) {
        return -1;
    }
    return scene->AddDestination(name, wideKey, hostData);
}

int COlvaneApp::DelDestination(int sceneID, const char* key) {
    OLVANE_MANAGE_STATE();
    const CString wideKey(key);
    CPavexScene* scene = FindScene(sceneID);
    if (scene == nullptr) {
        return -1;
    }
    return scene->DelDestination(wideKey);
}

int COlvaneApp::DelScene(int sceneID) {
    OLVANE_MANAGE_STATE();
    CPavexScene* scene = nullptr;
    if (!m_mapScenes.Lookup(sceneID, scene)) {
        return -1;
    }
    delete scene;
    m_mapScenes.RemoveKey(sceneID);
    return 1;
}

int COlvaneApp::GetAllNamespaces(int sceneID, const char* key, CBSTRMetaDataTree** tree) {
    OLVANE_MANAGE_STATE();
    if (tree == nullptr) {
        return -2;
    }
    // The root is the host's from here on, whatever the result.
    *tree = new CBSTRMetaDataTree();
    const CString wideKey(key);
    CPavexScene* scene = FindScene(sceneID);
    if (scene == nullptr) {
        return -1;
    }
    return scene->GetAllNamespaces(wideKey, *tree);
}

int COlvaneApp::GetRules(int sceneID, const char* key, CRuleArray* rules) {
    OLVANE_MANAGE_STATE();
    if (rules == nullptr) {
        return -2;
    }
    const CString wideKey(key);
    CPavexScene* scene = FindScene(sceneID);
    if (scene == nullptr) {
        return -1;
    }
    return scene->GetRules(wideKey, rules);
}

BSTR COlvaneApp::GetRulesXML(int sceneID, const char* key) {
    OLVANE_MANAGE_STATE();
    const CString wideKey(key);
    CPavexScene* scene = FindScene(sceneID);
    if (scene == nullptr) {
        return CString(u"-1").AllocSysString();
    }
    return scene->GetRulesXML(wideKey);
}

int COlvaneApp::ParseRules(int sceneID, const char* key, CRuleArray* rules) {
    OLVANE_MANAGE_STATE();
    if (rules == nullptr) {
        return -2;
    }
    const CString wideKey(key);
    CPavexScene* scene = FindScene(sceneID);
    if (scene == nullptr) {
        return -1;
    }
    return scene->ParseRules(wideKey, rules);
}

void COlvaneApp::RemoveAllScenes() {
    OLVANE_MANAGE_STATE();
    POSITION pos = m_mapScenes.GetStartPosition();
    while (pos != nullptr) {
        auto* entry = m_mapScenes.GetNextAssocPtr(pos);
        delete entry->value;
        entry->value = nullptr;
    }
    m_mapScenes.RemoveAll();
}

int COlvaneApp::SetMetaData(int sceneID, const char* packet, const char* key, const char* name) {
    OLVANE_MANAGE_STATE();
    const CString wideKey(key);
    CPavexScene* scene = FindScene(sceneID);
    if (scene == nullptr) {
        return -1;
    }
    return scene->SetMetaData(packet, name, wideKey, 4);
}

int COlvaneApp::SetRulesDialog(int sceneID, const char* key) {
    OLVANE_MANAGE_STATE();
    const CString wideKey(key);
    CPavexScene* scene = FindScene(sceneID);
    if (scene == nullptr) {
        return -1;
    }
    // The editor's template and controls come from the library's own state.
    platform::CModuleStateGuard own(platform::AfxGetStaticModuleState());
    RunRulesDialog(scene, wideKey);
    return 1;
}

int COlvaneApp::SetRulesXML(int sceneID, const char* key, BSTR xml, int append) {
    OLVANE_MANAGE_STATE();
    const CString wideKey(key);
    CPavexScene* scene = FindScene(sceneID);
    if (scene == nullptr) {
        return -1;  // the BSTR stays the host's
    }
    // The length prefix counts, not a terminator; once copied, the host's string is ours to free.
    const CString text(xml, SysStringLen(xml));
    SysFreeString(xml);
    return scene->SetRulesXML(wideKey, text.GetString(), append & 0xFF);
}

int FreeRuleRecords(CRuleArray* rules) {
    OLVANE_MANAGE_STATE();
    if (rules == nullptr) {
        return -1;
    }
    FreeRuleArray(rules);
    return 1;
}

int FreeNamespaceTree(CBSTRMetaDataTree** tree) {
    OLVANE_MANAGE_STATE();
    if (tree == nullptr) {
        return -1;
    }
    if (*tree == nullptr) {
        return -2;
    }
    delete *tree;
    return 1;
}
