// rules_dialog_runner.h - opening the rules editor for one key of a scene, modally, on the calling
// thread.
#pragma once

#include "dialog/editor_scene.h"
#include "platform/cstring.h"

// Runs the editor until the operator closes it (OK writes the edited rules back to the source).
// When no user interface can be opened, it writes one line to standard error and returns with
// nothing changed; it never ends the process.
void RunRulesDialog(IEditorScene* scene, const CString& key);
