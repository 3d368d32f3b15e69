// rules_dialog_runner_win32.cpp - RunRulesDialog with the native view. The template comes from
// the module that the current module state names: inside SetRulesDialog, the library's own.
#include <cstdio>

#include "dialog/rules_creator.h"
#include "dialog/rules_dialog_runner.h"
#include "dialog/win32_dialog_window.h"
#include "platform/module_state.h"

void RunRulesDialog(IEditorScene* scene, const CString& key) {
    CRulesCreator editor;
    editor.SetScene(scene, key);
    CWin32ModalRunner runner(platform::AfxGetResourceHandle());
    if (editor.DoModal(runner) == -1) {
        std::fprintf(stderr,
                     "olvane: the rules editor cannot open: its dialog window could not be made "
                     "(template %d)\n",
                     editor.GetTemplate().id);
    }
}
