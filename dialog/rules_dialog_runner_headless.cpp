// rules_dialog_runner_headless.cpp - the runner of a build without the editor: it can never open a
// display, so it says so and changes nothing.
#include <cstdio>

#include "dialog/rules_dialog_runner.h"

void RunRulesDialog(IEditorScene* /*scene*/, const CString& /*key*/) {
    std::fputs("olvane: the rules editor cannot be shown: this build has no user interface\n", stderr);
}
