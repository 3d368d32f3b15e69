// win32_operator.cpp - the test operator's Win32 side, and the open window held to the template
// data.
#include "dialog/win32_operator.h"

#include <gtest/gtest.h>

// After the template's own names: <windows.h> defines IDOK and IDCANCEL as macros of the same
// values.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace win32op {
namespace {

constexpr int kTimeoutMs = 15000;

HWND Hwnd(Window window) {
    return static_cast<HWND>(window);
}

std::u16string ClassName(HWND window) {
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, static_cast<int>(std::size(name)));
    return reinterpret_cast<const char16_t*>(name);
}

// Polls until done() holds (true), or the time is up (false).
bool WaitUntil(const std::function<bool()>& done) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kTimeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= until) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// The visible dialog boxes of the thread; message boxes are dialog boxes with an owner.
std::vector<HWND> ShownDialogs(unsigned long thread) {
    std::vector<HWND> found;
    for (HWND w = ::FindWindowExW(nullptr, nullptr, L"#32770", nullptr); w != nullptr;
         w = ::FindWindowExW(nullptr, w, L"#32770", nullptr)) {
        if (::GetWindowThreadProcessId(w, nullptr) == thread && ::IsWindowVisible(w) != FALSE) {
            found.push_back(w);
        }
    }
    return found;
}

bool IsOwned(Window window) {
    return ::GetWindow(Hwnd(window), GW_OWNER) != nullptr;
}

HTREEITEM FindTreeRow(HWND tree, HTREEITEM item, const std::u16string& text) {
    for (; item != nullptr; item = TreeView_GetNextSibling(tree, item)) {
        wchar_t row[512] = {};
        TVITEMW query{};
        query.mask = TVIF_TEXT | TVIF_HANDLE;
        query.hItem = item;
        query.pszText = row;
        query.cchTextMax = static_cast<int>(std::size(row));
        ::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&query));
        if (reinterpret_cast<const char16_t*>(row) == text) {
            return item;
        }
        if (HTREEITEM found = FindTreeRow(tree, TreeView_GetChild(tree, item), text)) {
            return found;
        }
    }
    return nullptr;
}

// Window classes, in the order of ControlKind.
constexpr const char16_t* kClassNames[] = {u"Button",  u"Button",   u"Static",       u"Edit",
                                           u"ListBox", u"ComboBox", u"SysTreeView32"};

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
    Box measured = InDialog(dialog, r);
    if (want.kind != ControlKind::ComboBox && want.kind != ControlKind::ListBox) {
        EXPECT_EQ(measured, expected);
        return;
    }
    // A list box gives up the part of its height that cannot show a whole row (wine measures the
    // rows in the system font, before the dialog's font is set, so part of a row can show there).
    // A combo box's template height is the open box's; closed, it is as high as its font. Windows
    // counts the open box whole, wine only the list below the field.
    long slack = ::SendMessageW(control, LB_GETITEMHEIGHT, 0, 0);
    if (want.kind == ControlKind::ComboBox) {
        slack = measured[3];
        ::SendMessageW(control, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&r));
        measured = InDialog(dialog, r);
    }
    EXPECT_EQ(Top(measured), Top(expected));
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

Window COperator::FindDialog(const std::function<bool(Window)>& wanted) const {
    HWND found = nullptr;
    WaitUntil([&] {
        for (HWND window : ShownDialogs(m_uiThread)) {
            found = wanted(window) ? window : found;
        }
        return found != nullptr;
    });
    return found;
}

Window COperator::WaitForDialog(const char16_t* caption) const {
    return FindDialog([&](Window w) { return !IsOwned(w) && Text(w) == caption; });
}

std::vector<std::u16string> COperator::AnswerMessageBox() const {
    HWND box = Hwnd(FindDialog(IsOwned));
    if (box == nullptr) {
        return {};
    }
    std::u16string text;
    std::vector<HWND> buttons;
    for (HWND child = ::GetWindow(box, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (ClassName(child) == u"Button") {
            buttons.push_back(child);
        } else if (ClassName(child) == u"Static" && !Text(child).empty()) {
            text = Text(child);
        }
    }
    std::vector<std::u16string> read{Text(box), text};
    for (HWND button : buttons) {
        read.push_back(Text(button));
    }
    if (!buttons.empty()) {
        ClickLater(buttons.front());
    }
    WaitGone(box);
    return read;
}

bool COperator::WaitGone(Window window) const {
    return WaitUntil([&] { return ::IsWindow(Hwnd(window)) == FALSE; });
}

bool COperator::CloseAll() const {
    for (int round = 0; round < 10; ++round) {
        // An owned window (a message box) first: its owner is disabled until it goes.
        std::vector<HWND> open = ShownDialogs(m_uiThread);
        if (open.empty()) {
            return round == 0;
        }
        auto owned = std::find_if(open.begin(), open.end(), IsOwned);
        HWND target = owned != open.end() ? *owned : open.front();
        ::PostMessageW(target, WM_CLOSE, 0, 0);
        WaitGone(target);
    }
    return false;
}

void COperator::PressEscape() const {
    GUITHREADINFO thread{};
    thread.cbSize = sizeof(thread);
    ::GetGUIThreadInfo(m_uiThread, &thread);
    HWND target = thread.hwndFocus != nullptr ? thread.hwndFocus : thread.hwndActive;
    ::PostMessageW(target, WM_KEYDOWN, VK_ESCAPE, 1);
    ::PostMessageW(target, WM_KEYUP, VK_ESCAPE, static_cast<LPARAM>(0xC0000001u));  // released
}

void RunWithOperator(const std::function<void()>& open,
                     const std::function<void(const COperator&)>& script) {
    const COperator person(::GetCurrentThreadId());
    std::atomic<bool> returned{false};
    std::thread operatorThread([&] {
        script(person);
        // Until the call returns, close whatever still comes up (a script that stopped early
        // may leave the dialog, or a message box not yet shown).
        bool leftOpen = false;
        while (!returned) {
            leftOpen = !person.CloseAll() || leftOpen;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        EXPECT_FALSE(leftOpen) << "the script left a window open";
    });
    open();
    returned = true;
    operatorThread.join();
}

Window Item(Window dialog, int id) {
    return ::GetDlgItem(Hwnd(dialog), id);
}

std::u16string Text(Window window) {
    std::u16string text(static_cast<size_t>(::GetWindowTextLengthW(Hwnd(window))) + 1, u'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(
        Hwnd(window), reinterpret_cast<wchar_t*>(text.data()), static_cast<int>(text.size()))));
    return text;
}

std::vector<std::u16string> ListRows(Window list) {
    std::vector<std::u16string> rows;
    for (LRESULT i = 0; i < ::SendMessageW(Hwnd(list), LB_GETCOUNT, 0, 0); ++i) {
        wchar_t row[512] = {};  // longer than any row the tests make
        ::SendMessageW(Hwnd(list), LB_GETTEXT, i, reinterpret_cast<LPARAM>(row));
        rows.emplace_back(reinterpret_cast<const char16_t*>(row));
    }
    return rows;
}

bool SelectTreeRow(Window tree, const std::u16string& text) {
    HTREEITEM item = FindTreeRow(Hwnd(tree), TreeView_GetRoot(Hwnd(tree)), text);
    return item != nullptr && TreeView_SelectItem(Hwnd(tree), item) != FALSE;
}

bool SelectListRow(Window list, const std::u16string& text) {
    const auto row = ::SendMessageW(Hwnd(list), LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                    reinterpret_cast<LPARAM>(text.c_str()));
    return row != LB_ERR && ::SendMessageW(Hwnd(list), LB_SETCURSEL, row, 0) != LB_ERR;
}

void Type(Window control, const std::u16string& text) {
    HWND field = Hwnd(control);
    COMBOBOXINFO combo{};
    combo.cbSize = sizeof(combo);
    if (::GetComboBoxInfo(field, &combo) && combo.hwndItem != nullptr) {
        field = combo.hwndItem;
    }
    ::SendMessageW(field, EM_SETSEL, 0, -1);
    ::SendMessageW(field, WM_CLEAR, 0, 0);
    for (char16_t unit : text) {
        ::SendMessageW(field, WM_CHAR, unit, 1);
    }
}

void Click(Window button) {
    // Bounded: a click that opens a message box nobody answers must not hold the operator.
    ::SendMessageTimeoutW(Hwnd(button), BM_CLICK, 0, 0, SMTO_NORMAL, kTimeoutMs, nullptr);
}

void ClickLater(Window button) {
    ::PostMessageW(Hwnd(button), BM_CLICK, 0, 0);
}

void ExpectWindowMatchesTemplate(Window window, const DialogTemplate& dialogTemplate,
                                 std::span<const ShownText> shown) {
    HWND dialog = Hwnd(window);
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
        EXPECT_EQ(ClassName(control), kClassNames[static_cast<int>(want.kind)]);
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
    // A combo box's list is a list box.
    for (const DialogComboInit& init : dialogTemplate.comboInit) {
        COMBOBOXINFO combo{};
        combo.cbSize = sizeof(combo);
        ::GetComboBoxInfo(::GetDlgItem(dialog, init.id), &combo);
        EXPECT_EQ(ListRows(combo.hwndList),
                  std::vector<std::u16string>(init.items.begin(), init.items.end()));
    }
}

}  // namespace win32op
