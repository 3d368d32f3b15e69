// exports.cpp - the fourteen exports: each opens the module-state guard and hands over to the
// application object (or, for the two free functions, to their workers).
#include "host/olvane_app.h"
#include "olvane/olvane.h"
#include "platform/module_state.h"

namespace {
CRuleArray* AsRules(OlvaneRuleArray* rules) {
    return reinterpret_cast<CRuleArray*>(rules);
}
CBSTRMetaDataTree** AsTree(OlvaneNamespace** tree) {
    return reinterpret_cast<CBSTRMetaDataTree**>(tree);
}
}  // namespace

extern "C" {

int OLVANE_CALL AddScene(void) {
    OLVANE_MANAGE_STATE();
    return TheApp().AddScene();
}

int OLVANE_CALL AddDestination(int sceneID, const char* name, const char* key, int hostData) {
    OLVANE_MANAGE_STATE();
    return TheApp().AddDestination(sceneID, name, key, hostData);
}

int OLVANE_CALL DelDestination(int sceneID, const char* key) {
    OLVANE_MANAGE_STATE();
    return TheApp().DelDestination(sceneID, key);
}

int OLVANE_CALL DelScene(int sceneID) {
    OLVANE_MANAGE_STATE();
    return TheApp().DelScene(sceneID);
}

int OLVANE_CALL FreeNamespace(OlvaneNamespace** tree) {
    OLVANE_MANAGE_STATE();
    return FreeNamespaceTree(AsTree(tree));
}

int OLVANE_CALL FreeRules(OlvaneRuleArray* rules) {
    OLVANE_MANAGE_STATE();
    return FreeRuleRecords(AsRules(rules));
}

int OLVANE_CALL GetAllNamespaces(int sceneID, const char* key, OlvaneNamespace** tree) {
    OLVANE_MANAGE_STATE();
    return TheApp().GetAllNamespaces(sceneID, key, AsTree(tree));
}

int OLVANE_CALL GetRules(int sceneID, const char* key, OlvaneRuleArray* rules) {
    OLVANE_MANAGE_STATE();
    return TheApp().GetRules(sceneID, key, AsRules(rules));
}

BSTR OLVANE_CALL GetRulesXML(int sceneID, const char* key) {
    OLVANE_MANAGE_STATE();
    return TheApp().GetRulesXML(sceneID, key);
}

int OLVANE_CALL ParseRules(int sceneID, const char* key, OlvaneRuleArray* rules) {
    OLVANE_MANAGE_STATE();
    return TheApp().ParseRules(sceneID, key, AsRules(rules));
}

void OLVANE_CALL RemoveAllScenes(void) {
    OLVANE_MANAGE_STATE();
    TheApp().RemoveAllScenes();
}

int OLVANE_CALL SetMetaData(int sceneID, const char* packet, const char* key, const char* name) {
    OLVANE_MANAGE_STATE();
    return TheApp().SetMetaData(sceneID, packet, key, name);
}

int OLVANE_CALL SetRulesDialog(int sceneID, const char* key) {
    OLVANE_MANAGE_STATE();
    return TheApp().SetRulesDialog(sceneID, key);
}

int OLVANE_CALL SetRulesXML(int sceneID, const char* key, BSTR xml, BOOL append) {
    OLVANE_MANAGE_STATE();
    return TheApp().SetRulesXML(sceneID, key, xml, append);
}

}  // extern "C"
