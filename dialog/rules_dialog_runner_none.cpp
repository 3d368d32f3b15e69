// rules_dialog_runner_none.cpp - RunRulesDialog in a build without the Qt view.
#include <cstdio>

#include "dialog/rules_dialog_runner.h"

void RunRulesDialog(IEditorScene* scene, const CString& key) {
    std::fprintf(stderr,
                 "olvane: the rules editor cannot open: this build has no user interface\n");
}
