// rules_dialog_template.h - dialog template 8000, "Metadata Actions", and its control IDs.
#pragma once

#include "dialog/dialog_template.h"

constexpr int IDD_RULES_CREATOR = 8000;

constexpr int IDC_OBJECT_NAME = 8000;  // static text showing the source's name
constexpr int IDC_RULES = 8002;        // list box of rule sentences
constexpr int IDC_ADD = 8003;          // "Add"
constexpr int IDC_VALIDATION = 8004;   // "Is Validation Rule"
constexpr int IDC_TEMPLATES = 8005;    // list box of template destinations
constexpr int IDC_REMOVE = 8006;       // "Remove"
constexpr int IDC_ACTION = 8007;       // combo box of actions
constexpr int IDC_PARAMETERS = 8008;   // edit
constexpr int IDC_TAGS = 8009;         // tree of namespaces and tags

const DialogTemplate& RulesDialogTemplate();
