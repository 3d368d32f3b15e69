// rules_dialog_template.cpp - the data of dialog template 8000.
#include "dialog/rules_dialog_template.h"

namespace {

constexpr uint32_t kListStyle = kTabStop | kBorder | kVScroll | kNotify;

// In tab order.
constexpr DialogControl kControls[] = {
    {IDOK, ControlKind::PushButton, u"OK", 280, 249, 50, 14, kTabStop | kDefaultButton},
    {IDC_OBJECT_NAME, ControlKind::StaticText, u"Static", 53, 7, 285, 8, kStyleNone},
    {IDC_RULES, ControlKind::ListBox, u"", 14, 181, 316, 64, kListStyle | kHScroll},
    {IDC_ADD, ControlKind::PushButton, u"Add", 111, 155, 50, 14, kTabStop},
    {IDC_VALIDATION, ControlKind::CheckBox, u"Is Validation Rule", 148, 48, 73, 10,
     kTabStop | kAutoCheckBox},
    {IDC_TEMPLATES, ControlKind::ListBox, u"", 230, 57, 99, 88, kListStyle},
    {IDC_ACTION, ControlKind::ComboBox, u"", 146, 30, 72, 226, kTabStop | kDropDown | kVScroll},
    {IDC_PARAMETERS, ControlKind::Edit, u"", 231, 30, 99, 14, kTabStop | kBorder | kAutoHScroll},
    {IDC_REMOVE, ControlKind::PushButton, u"Remove", 183, 155, 50, 14, kTabStop},
    {kIdStatic, ControlKind::StaticText, u"Rules:", 14, 169, 21, 8, kStyleNone},
    {kIdStatic, ControlKind::StaticText, u"Tags:", 12, 20, 19, 8, kStyleNone},
    {kIdStatic, ControlKind::StaticText, u"Parameters:", 231, 20, 38, 8, kStyleNone},
    {kIdStatic, ControlKind::StaticText, u"Object Name:", 7, 7, 44, 8, kStyleNone},
    {IDC_TAGS, ControlKind::TreeView, u"Tree1", 14, 31, 119, 114,
     kTabStop | kHasLines | kShowSelAlways | kTrackSelect | kNoDragDrop},
    {kIdStatic, ControlKind::StaticText, u"Action:", 146, 20, 23, 8, kStyleNone},
    {kIdStatic, ControlKind::StaticText, u"Templates Assigned:", 231, 48, 66, 8, kStyleNone},
};

constexpr const char16_t* kActions[] = {
    u"Push", u"Equals", u"Not Equal", u"Contains", u"Doesn't Contain", u"Is One Of",
};

constexpr DialogComboInit kComboInit[] = {
    {IDC_ACTION, kActions},
};

constexpr DialogTemplate kTemplate = {
    IDD_RULES_CREATOR,
    u"Metadata Actions",
    345,
    278,
    u"MS Shell Dlg",
    8,
    kDialogPopup | kDialogCaption | kDialogSysMenu | kDialogModalFrame,
    kControls,
    kComboInit,
};

}  // namespace

const DialogTemplate& RulesDialogTemplate() {
    return kTemplate;
}
