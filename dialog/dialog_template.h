// dialog_template.h - a dialog template as data: caption, size and font, and the control table the
// window is built from. Sizes and positions are in dialog units (see dialog_units.h).
#pragma once

#include <cstdint>
#include <span>

// What kind of window a control is.
enum class ControlKind {
    PushButton,
    CheckBox,
    StaticText,
    Edit,
    ListBox,
    ComboBox,
    TreeView,
};

// Control styles, as flags. Only those the templates use.
enum ControlStyle : uint32_t {
    kStyleNone = 0,
    kTabStop = 1u << 0,
    kDefaultButton = 1u << 1,
    kBorder = 1u << 2,
    kVScroll = 1u << 3,
    kHScroll = 1u << 4,
    kNotify = 1u << 5,          // list box reports clicks and selection changes
    kAutoCheckBox = 1u << 6,    // the check box toggles itself when clicked
    kAutoHScroll = 1u << 7,     // edit text scrolls sideways while typing
    kDropDown = 1u << 8,        // combo box with an editable field over its list
    kHasLines = 1u << 9,        // tree: lines between items
    kShowSelAlways = 1u << 10,  // tree: selection stays visible without focus
    kTrackSelect = 1u << 11,    // tree: the item under the mouse is highlighted
    kNoDragDrop = 1u << 12,     // tree: items cannot be dragged
};

// Window styles of the dialog frame.
enum DialogStyle : uint32_t {
    kDialogPopup = 1u << 0,
    kDialogCaption = 1u << 1,
    kDialogSysMenu = 1u << 2,
    kDialogModalFrame = 1u << 3,
};

// A control ID that names no control (static labels).
constexpr int kIdStatic = -1;
// The framework's command IDs of OK and Cancel.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

struct DialogControl {
    int id;
    ControlKind kind;
    const char16_t* caption;  // "" for none
    int x, y, cx, cy;         // dialog units
    uint32_t style;           // ControlStyle flags
};

// Strings a template's initialisation data puts into a combo box, in order.
struct DialogComboInit {
    int id;
    std::span<const char16_t* const> items;
};

struct DialogTemplate {
    int id;
    const char16_t* caption;
    int cx, cy;  // dialog units
    const char16_t* fontFace;
    int fontPointSize;
    uint32_t style;                           // DialogStyle flags
    std::span<const DialogControl> controls;  // in tab order
    std::span<const DialogComboInit> comboInit;
};
