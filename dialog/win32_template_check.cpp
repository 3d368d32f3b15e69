// win32_template_check.cpp - the native window against the template data, through the Win32 API.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <string>
#include <vector>

#include "dialog/win32_operator.h"

// After the template's own names: <windows.h> defines IDOK and IDCANCEL as macros of the same
// values.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

namespace win32op {
namespace {

// Window classes, in the order of ControlKind.
constexpr const wchar_t* kClassNames[] = {L"Button",  L"Button",   L"Static",       L"Edit",
                                          L"ListBox", L"ComboBox", L"SysTreeView32"};

// The bits a template style flag stands for, and which of them it sets. Tab stops are held to the
// tab order; borders and scroll bars the system moves between styles (a border becomes a sunken
// edge, a list box hides a scroll bar it does not need).
struct StyleBits {
    uint32_t flag, mask, value;
};
constexpr StyleBits kStyleBits[] = {
    {kDefaultButton, BS_TYPEMASK, BS_DEFPUSHBUTTON},
    {kNotify, LBS_NOTIFY, LBS_NOTIFY},
    {kAutoCheckBox, BS_TYPEMASK, BS_AUTOCHECKBOX},
    {kAutoHScroll, ES_AUTOHSCROLL, ES_AUTOHSCROLL},
    {kDropDown, CBS_DROPDOWNLIST, CBS_DROPDOWN},
    {kHasLines, TVS_HASLINES, TVS_HASLINES},
    {kShowSelAlways, TVS_SHOWSELALWAYS, TVS_SHOWSELALWAYS},
    {kTrackSelect, TVS_TRACKSELECT, TVS_TRACKSELECT},
    {kNoDragDrop, TVS_DISABLEDRAGDROP, TVS_DISABLEDRAGDROP},
};

using Box = std::array<long, 4>;  // x, y, cx, cy in pixels

Box InDialog(HWND dialog, RECT r) {
    ::MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

// The four numbers converted as the dialog manager converts a template's: x and cx with the
// horizontal base unit, y and cy with the vertical.
Box Mapped(HWND dialog, int x, int y, int cx, int cy) {
    RECT r{x, y, cx, cy};
    ::MapDialogRect(dialog, &r);
    return {r.left, r.top, r.right, r.bottom};
}

// Without the height, which the system may change.
Box Top(Box b) {
    b[3] = 0;
    return b;
}

void ExpectPlaced(HWND dialog, HWND control, const DialogControl& want) {
    const Box expected = Mapped(dialog, want.x, want.y, want.cx, want.cy);
    RECT r{};
    ::GetWindowRect(control, &r);
    const Box got = InDialog(dialog, r);
    if (want.kind != ControlKind::ComboBox && want.kind != ControlKind::ListBox) {
        EXPECT_EQ(got, expected);
        return;
    }
    // A list box gives up the part of its height that cannot show a whole row (wine measures the
    // rows in the system font, before the dialog's font is set, so part of a row can show there).
    // A combo box's template height is the open box's; closed, it is as high as its font. Windows
    // counts the open box whole, wine only the list below the field.
    EXPECT_EQ(Top(got), Top(expected));
    Box measured = got;
    long slack = ::SendMessageW(control, LB_GETITEMHEIGHT, 0, 0);
    if (want.kind == ControlKind::ComboBox) {
        ::SendMessageW(control, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&r));
        measured = InDialog(dialog, r);
        slack = got[3];
        EXPECT_EQ(Top(measured), Top(expected));
    }
    EXPECT_LE(measured[3], expected[3]);
    EXPECT_GT(measured[3], expected[3] - 2 * slack);
}

void ExpectStyles(HWND control, const DialogControl& want) {
    const auto style = static_cast<uint32_t>(::GetWindowLongW(control, GWL_STYLE));
    for (const StyleBits& bits : kStyleBits) {
        if ((want.style & bits.flag) != 0) {
            EXPECT_EQ(style & bits.mask, bits.value) << "style flag " << bits.flag;
        }
    }
    if ((want.style & kBorder) != 0) {
        EXPECT_TRUE((style & WS_BORDER) != 0 ||
                    (::GetWindowLongW(control, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0);
    }
    // The tree has no expand buttons and no lines at its root.
    if (want.kind == ControlKind::TreeView) {
        EXPECT_EQ(style & (TVS_HASBUTTONS | TVS_LINESATROOT), 0u);
    }
}

}  // namespace

void ExpectWindowMatchesTemplate(Window window, const DialogTemplate& dialogTemplate,
                                 std::span<const ShownText> shown) {
    auto* dialog = static_cast<HWND>(window);
    EXPECT_EQ(Text(dialog), dialogTemplate.caption);
    LOGFONTW font{};
    // NOLINTNEXTLINE(performance-no-int-to-ptr): Win32 hands handles as integers.
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof(font),
                 &font);
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    EXPECT_EQ(reinterpret_cast<const char16_t*>(font.lfFaceName),
              std::u16string(dialogTemplate.fontFace));
    EXPECT_EQ(::MulDiv(std::abs(font.lfHeight), 72, dpi), dialogTemplate.fontPointSize);
    RECT client{};
    ::GetClientRect(dialog, &client);
    EXPECT_EQ((Box{0, 0, client.right, client.bottom}),
              Mapped(dialog, 0, 0, dialogTemplate.cx, dialogTemplate.cy));

    // The controls in creation order, which is the template's.
    std::vector<int> tabStops;
    HWND control = ::GetWindow(dialog, GW_CHILD);
    for (const DialogControl& want : dialogTemplate.controls) {
        SCOPED_TRACE("control ID " + std::to_string(want.id));
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(static_cast<int16_t>(::GetDlgCtrlID(control)), want.id);  // -1 is 0xFFFF
        wchar_t className[64] = {};
        ::GetClassNameW(control, className, static_cast<int>(std::size(className)));
        EXPECT_EQ(::lstrcmpiW(className, kClassNames[static_cast<int>(want.kind)]), 0);
        std::u16string caption = want.caption;
        for (const ShownText& changed : shown) {
            caption = changed.id == want.id ? changed.text : caption;
        }
        EXPECT_EQ(Text(control), caption);
        ExpectPlaced(dialog, control, want);
        ExpectStyles(control, want);
        if ((want.style & kTabStop) != 0) {
            tabStops.push_back(want.id);
        }
        control = ::GetWindow(control, GW_HWNDNEXT);
    }
    EXPECT_EQ(control, nullptr) << "a control the template does not have";

    std::vector<int> tabOrder;
    HWND first = ::GetNextDlgTabItem(dialog, nullptr, FALSE);
    for (HWND at = first; at != nullptr && tabOrder.size() < 64;) {
        tabOrder.push_back(static_cast<int16_t>(::GetDlgCtrlID(at)));
        at = ::GetNextDlgTabItem(dialog, at, FALSE);
        at = at == first ? nullptr : at;
    }
    EXPECT_EQ(tabOrder, tabStops);
    for (const DialogComboInit& init : dialogTemplate.comboInit) {
        HWND combo = ::GetDlgItem(dialog, init.id);
        std::vector<std::u16string> items;
        for (int i = 0; i < ::SendMessageW(combo, CB_GETCOUNT, 0, 0); ++i) {
            wchar_t text[256] = {};
            ::SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            items.emplace_back(reinterpret_cast<const char16_t*>(text));
        }
        EXPECT_EQ(items, std::vector<std::u16string>(init.items.begin(), init.items.end()));
    }
}

}  // namespace win32op
