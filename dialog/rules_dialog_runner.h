// rules_dialog_runner.h - runs the rules editor modally for the source under key.
#pragma once

#include "dialog/editor_scene.h"
#include "platform/cstring.h"

// Returns when the editor has closed (OK writes the rules back, cancel changes nothing). When no
// display can be opened, writes one line to standard error and changes nothing.
void RunRulesDialog(IEditorScene* scene, const CString& key);
