// olvane_app.cpp - COlvaneApp and its global instance.
#include "host/olvane_app.h"

#include <memory>

#include "dialog/rules_dialog_runner.h"
#include "host/results.h"
#include "platform/bstr.h"
#include "platform/module_state.h"

namespace {
COlvaneApp g_theApp;
// What ExitInstance hands the framework: the library always unloads cleanly.
constexpr int kExitCode = 0;
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
    return kExitCode;
}

CPavexScene* COlvaneApp::FindScene(int sceneID) const {
    const auto* entry = m_mapScenes.PLookup(sceneID);
    return entry == nullptr ? nullptr : entry->value.get();
}

namespace {
// The frame of every scene-addressed operation: the key converted first, then the scene looked up;
// a missing scene gives kNoScene and touches nothing else.
template <class F>
int WithScene(const COlvaneApp& app, int sceneID, const char* key, F&& operation) {
    const CString wideKey(key);
    CPavexScene* scene = app.FindScene(sceneID);
    if (scene == nullptr) {
        return kNoScene;
    }
    return operation(*scene, wideKey);
}
}  // namespace

int COlvaneApp::AddScene() {
    OLVANE_MANAGE_STATE();
    auto scene = std::make_unique<CPavexScene>();
    const int id = scene->GetSceneID();
    try {
        // Only making the entry can fail; the scene moves in once it exists.
        m_mapScenes[id] = std::move(scene);
    } catch (...) {
        // Nobody has seen the ID: the next scene takes it, so that a call that raises changes
        // nothing.
        scene.reset();
        CPavexScene::s_nNextSceneID = id;
        throw;
    }
    return id;
}

int COlvaneApp::AddDestination(int sceneID, const char* name, const char* key, int hostData) {
    OLVANE_MANAGE_STATE();
    return WithScene(*this, sceneID, key, [&](CPavexScene& scene, const CString& k) {
        return scene.AddDestination(name, k, hostData);
    });
}

int COlvaneApp::DelDestination(int sceneID, const char* key) {
    OLVANE_MANAGE_STATE();
    return WithScene(*this, sceneID, key,
                     [&](CPavexScene& scene, const CString& k) { return scene.DelDestination(k); });
}

int COlvaneApp::DelScene(int sceneID) {
    OLVANE_MANAGE_STATE();
    auto* entry = m_mapScenes.PLookup(sceneID);
    if (entry == nullptr) {
        return kNoScene;
    }
    entry->value.reset();
    m_mapScenes.RemoveKey(sceneID);
    return kDone;
}

int COlvaneApp::GetAllNamespaces(int sceneID, const char* key, CBSTRMetaDataTree** tree) {
    OLVANE_MANAGE_STATE();
    if (tree == nullptr) {
        return NamespacesResult::kNullTree;
    }
    // The root is the host's whatever the result, but it is handed over only once filled: a call
    // that raises leaves the host's pointer as it was and keeps nothing half-built.
    auto root = std::make_unique<CBSTRMetaDataTree>();
    const int result = WithScene(*this, sceneID, key, [&](CPavexScene& scene, const CString& k) {
        return scene.GetAllNamespaces(k, root.get());
    });
    *tree = root.release();
    return result;
}

int COlvaneApp::GetRules(int sceneID, const char* key, CRuleArray* rules) {
    OLVANE_MANAGE_STATE();
    if (rules == nullptr) {
        return RulesResult::kNullList;
    }
    return WithScene(*this, sceneID, key, [&](CPavexScene& scene, const CString& k) {
        return scene.GetRules(k, rules);
    });
}

BSTR COlvaneApp::GetRulesXML(int sceneID, const char* key) {
    OLVANE_MANAGE_STATE();
    const CString wideKey(key);
    CPavexScene* scene = FindScene(sceneID);
    if (scene == nullptr) {
        return CString(kNoSceneText).AllocSysString();
    }
    return scene->GetRulesXML(wideKey);
}

int COlvaneApp::ParseRules(int sceneID, const char* key, CRuleArray* rules) {
    OLVANE_MANAGE_STATE();
    if (rules == nullptr) {
        return RulesResult::kNullList;
    }
    return WithScene(*this, sceneID, key, [&](CPavexScene& scene, const CString& k) {
        return scene.ParseRules(k, rules);
    });
}

void COlvaneApp::RemoveAllScenes() {
    OLVANE_MANAGE_STATE();
    POSITION pos = m_mapScenes.GetStartPosition();
    while (pos != nullptr) {
        m_mapScenes.GetNextAssocPtr(pos)->value.reset();
    }
    m_mapScenes.RemoveAll();
}

int COlvaneApp::SetMetaData(int sceneID, const char* packet, const char* key, const char* name) {
    OLVANE_MANAGE_STATE();
    return WithScene(*this, sceneID, key, [&](CPavexScene& scene, const CString& k) {
        return scene.SetMetaData(packet, name, k, kMetaDataSourceHostData);
    });
}

int COlvaneApp::SetRulesDialog(int sceneID, const char* key) {
    OLVANE_MANAGE_STATE();
    return WithScene(*this, sceneID, key, [&](CPavexScene& scene, const CString& k) {
        // The editor's template and controls come from the library's own state.
        platform::CModuleStateGuard own(platform::AfxGetStaticModuleState());
        RunRulesDialog(&scene, k);
        return kDone;
    });
}

int COlvaneApp::SetRulesXML(int sceneID, const char* key, BSTR xml, int append) {
    OLVANE_MANAGE_STATE();
    return WithScene(*this, sceneID, key, [&](CPavexScene& scene, const CString& k) {
        // Only once the scene is found is the host's string ours: copied by its length prefix (not
        // up to a terminator), and freed once the call is through, so that a call that raises
        // leaves it with the host like everything else.
        const CString text(xml, SysStringLen(xml));
        const int result = scene.SetRulesXML(k, text.GetString(), append);
        SysFreeString(xml);
        return result;
    });
}

int FreeRuleRecords(CRuleArray* rules) {
    OLVANE_MANAGE_STATE();
    if (rules == nullptr) {
        return FreeResult::kNullAddress;
    }
    FreeRuleArray(rules);
    return FreeResult::kFreed;
}

int FreeNamespaceTree(CBSTRMetaDataTree** tree) {
    OLVANE_MANAGE_STATE();
    if (tree == nullptr) {
        return FreeResult::kNullAddress;
    }
    if (*tree == nullptr) {
        return FreeResult::kNullTree;
    }
    delete *tree;
    return FreeResult::kFreed;
}
