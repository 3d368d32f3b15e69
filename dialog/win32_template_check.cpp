// win32_template_check.cpp - the native window against the template data, through the Win32 API.
#include "dialog/win32_template_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// After the template's own names: <windows.h> defines IDOK and IDCANCEL as macros of the same
// values.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

namespace {

using win32op::ControlInfo;
using win32op::Rect;

const char16_t* ClassName(ControlKind kind) {
    switch (kind) {
        case ControlKind::PushButton:
        case ControlKind::CheckBox:
            return u"Button";
        case ControlKind::StaticText:
            return u"Static";
        case ControlKind::Edit:
            return u"Edit";
        case ControlKind::ListBox:
            return u"ListBox";
        case ControlKind::ComboBox:
            return u"ComboBox";
        case ControlKind::TreeView:
            return u"SysTreeView32";
    }
    return u"";
}

// The bits a template style flag stands for, and which of them it sets.
struct StyleBits {
    uint32_t mask;
    uint32_t value;
};

StyleBits Bits(ControlStyle flag) {
    switch (flag) {
        case kTabStop:
            return {WS_TABSTOP, WS_TABSTOP};
        case kDefaultButton:
            return {BS_TYPEMASK, BS_DEFPUSHBUTTON};
        case kNotify:
            return {LBS_NOTIFY, LBS_NOTIFY};
        case kAutoCheckBox:
            return {BS_TYPEMASK, BS_AUTOCHECKBOX};
        case kAutoHScroll:
            return {ES_AUTOHSCROLL, ES_AUTOHSCROLL};
        case kDropDown:
            return {CBS_DROPDOWNLIST, CBS_DROPDOWN};
        case kHasLines:
            return {TVS_HASLINES, TVS_HASLINES};
        case kShowSelAlways:
            return {TVS_SHOWSELALWAYS, TVS_SHOWSELALWAYS};
        case kTrackSelect:
            return {TVS_TRACKSELECT, TVS_TRACKSELECT};
        case kNoDragDrop:
            return {TVS_DISABLEDRAGDROP, TVS_DISABLEDRAGDROP};
        default:
            // Borders and scroll bars: the system moves them between styles (a border becomes a
            // sunken edge, a list box hides a scroll bar it does not need).
            return {0, 0};
    }
}

void ExpectStyles(const DialogControl& want, const ControlInfo& got) {
    for (uint32_t flag = 1; flag <= kNoDragDrop; flag <<= 1) {
        const StyleBits bits = Bits(static_cast<ControlStyle>(flag));
        if ((want.style & flag) != 0) {
            EXPECT_EQ(got.style & bits.mask, bits.value) << "style flag " << flag;
        }
    }
    if ((want.style & kBorder) != 0) {
        EXPECT_TRUE((got.style & WS_BORDER) != 0 || (got.exStyle & WS_EX_CLIENTEDGE) != 0);
    }
    if ((want.style & kTabStop) == 0) {
        EXPECT_EQ(got.style & WS_TABSTOP, 0u);
    }
    // The tree has no expand buttons and no lines at its root.
    if (want.kind == ControlKind::TreeView) {
        EXPECT_EQ(got.style & (TVS_HASBUTTONS | TVS_LINESATROOT), 0u);
    }
}

// Without the height, which the system may change.
Rect Top(const Rect& r) {
    return {r.x, r.y, r.cx, 0};
}

void ExpectPlaced(win32op::Window dialog, const DialogControl& want, const ControlInfo& got) {
    const Rect expected = win32op::MapDialogRect(dialog, {want.x, want.y, want.cx, want.cy});
    switch (want.kind) {
        case ControlKind::ComboBox: {
            // The template's height is the open box's; the closed box is as high as its font.
            // Windows counts the open box whole, wine only the list below the field.
            const Rect open = win32op::DroppedRect(win32op::Item(dialog, want.id));
            EXPECT_EQ(Top(open), Top(expected));
            EXPECT_LE(open.cy, expected.cy);
            EXPECT_GT(open.cy, expected.cy - 2 * got.rect.cy);
            EXPECT_EQ(Top(got.rect), Top(expected));
            break;
        }
        case ControlKind::ListBox: {
            // Whole rows: the list gives up the part of its height that cannot show a full row.
            // (Wine measures the rows in the system font, before the dialog's font is set, so a
            // part of a row can show there.)
            const int rowHeight = win32op::ListItemHeight(win32op::Item(dialog, want.id));
            EXPECT_EQ(Top(got.rect), Top(expected));
            EXPECT_LE(got.rect.cy, expected.cy);
            EXPECT_GT(got.rect.cy, expected.cy - 2 * rowHeight);
            break;
        }
        default:
            EXPECT_EQ(got.rect, expected);
    }
}

bool SameClass(const std::u16string& a, const char16_t* b) {
    return ::CompareStringOrdinal(reinterpret_cast<const wchar_t*>(a.c_str()), -1,
                                  reinterpret_cast<const wchar_t*>(b), -1, TRUE) == CSTR_EQUAL;
}

}  // namespace

void ExpectWindowMatchesTemplate(win32op::Window dialog, const DialogTemplate& dialogTemplate,
                                 std::span<const ShownText> shown) {
    EXPECT_EQ(win32op::Text(dialog), dialogTemplate.caption);
    const win32op::FontInfo font = win32op::DialogFont(dialog);
    EXPECT_EQ(font.face, dialogTemplate.fontFace);
    EXPECT_EQ(font.points, dialogTemplate.fontPointSize);
    const Rect size = win32op::MapDialogRect(dialog, {0, 0, dialogTemplate.cx, dialogTemplate.cy});
    EXPECT_EQ(win32op::ClientRect(dialog), (Rect{0, 0, size.cx, size.cy}));

    const std::vector<ControlInfo> controls = win32op::Controls(dialog);
    ASSERT_EQ(controls.size(), dialogTemplate.controls.size());
    std::vector<int> tabStops;
    for (size_t i = 0; i < controls.size(); ++i) {
        const DialogControl& want = dialogTemplate.controls[i];
        const ControlInfo& got = controls[i];
        SCOPED_TRACE("control " + std::to_string(i) + ", ID " + std::to_string(want.id));
        EXPECT_EQ(got.id, want.id);
        EXPECT_TRUE(SameClass(got.className, ClassName(want.kind)));
        std::u16string caption = want.caption;
        for (const ShownText& changed : shown) {
            caption = changed.id == want.id ? changed.text : caption;
        }
        EXPECT_EQ(got.text, caption);
        ExpectPlaced(dialog, want, got);
        ExpectStyles(want, got);
        if ((want.style & kTabStop) != 0) {
            tabStops.push_back(want.id);
        }
    }
    EXPECT_EQ(win32op::TabOrder(dialog), tabStops);
    for (const DialogComboInit& init : dialogTemplate.comboInit) {
        EXPECT_EQ(win32op::ComboItems(win32op::Item(dialog, init.id)),
                  std::vector<std::u16string>(init.items.begin(), init.items.end()));
    }
}
