// win32_operator.cpp - the test operator's Win32 side.
#include "dialog/win32_operator.h"

// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <gdiplus.h>
// clang-format on

#include <chrono>
#include <functional>
#include <thread>

namespace win32op {
namespace {

HWND Hwnd(Window window) {
    return static_cast<HWND>(window);
}

const wchar_t* Wide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

std::u16string FromWide(const wchar_t* text) {
    return reinterpret_cast<const char16_t*>(text);
}

std::u16string ClassName(HWND window) {
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, static_cast<int>(std::size(name)));
    return FromWide(name);
}

bool IsDialogBox(HWND window) {
    return ClassName(window) == u"#32770";
}

// Polls until done() holds (true), or the time is up (false).
bool WaitUntil(int timeoutMs, const std::function<bool()>& done) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= until) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// Polls until found() gives a window, or the time is up (null).
HWND WaitFor(int timeoutMs, const std::function<HWND()>& found) {
    HWND window = nullptr;
    WaitUntil(timeoutMs, [&] { return (window = found()) != nullptr; });
    return window;
}

Rect ToClient(HWND dialog, RECT r) {
    ::MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

std::u16string TreeRowText(HWND tree, HTREEITEM item) {
    wchar_t text[512] = {};
    TVITEMW query{};
    query.mask = TVIF_TEXT | TVIF_HANDLE;
    query.hItem = item;
    query.pszText = text;
    query.cchTextMax = static_cast<int>(std::size(text));
    ::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&query));
    return FromWide(text);
}

void CollectTreeRows(HWND tree, HTREEITEM item, std::vector<std::u16string>& rows) {
    for (; item != nullptr; item = TreeView_GetNextSibling(tree, item)) {
        rows.push_back(TreeRowText(tree, item));
        CollectTreeRows(tree, TreeView_GetChild(tree, item), rows);
    }
}

HTREEITEM FindTreeRow(HWND tree, HTREEITEM item, const std::u16string& text) {
    for (; item != nullptr; item = TreeView_GetNextSibling(tree, item)) {
        if (TreeRowText(tree, item) == text) {
            return item;
        }
        if (HTREEITEM found = FindTreeRow(tree, TreeView_GetChild(tree, item), text)) {
            return found;
        }
    }
    return nullptr;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM found) {
    // Nothing may unwind through the system's enumeration.
    try {
        // NOLINTNEXTLINE(performance-no-int-to-ptr): Win32 hands pointers as integers.
        reinterpret_cast<std::vector<Window>*>(found)->push_back(window);
        return TRUE;
    } catch (...) {
        return FALSE;
    }
}

// The PNG encoder's class ID, as GDI+ lists it.
constexpr CLSID kPngEncoder = {
    0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};

}  // namespace

unsigned long CurrentThreadId() {
    return ::GetCurrentThreadId();
}

bool RunningUnderWine() {
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::vector<Window> COperator::TopWindows() const {
    std::vector<Window> windows;
    ::EnumThreadWindows(m_uiThread, CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

Window COperator::WaitForDialog(const char16_t* caption) const {
    return WaitFor(m_timeoutMs, [&]() -> HWND {
        for (Window w : TopWindows()) {
            HWND window = Hwnd(w);
            if (IsDialogBox(window) && ::IsWindowVisible(window) &&
                ::GetWindow(window, GW_OWNER) == nullptr && Text(window) == caption) {
                return window;
            }
        }
        return nullptr;
    });
}

std::optional<MessageBoxInfo> COperator::AnswerMessageBox() const {
    HWND box = WaitFor(m_timeoutMs, [&]() -> HWND {
        for (Window w : TopWindows()) {
            HWND window = Hwnd(w);
            if (IsDialogBox(window) && ::IsWindowVisible(window) &&
                ::GetWindow(window, GW_OWNER) != nullptr) {
                return window;
            }
        }
        return nullptr;
    });
    if (box == nullptr) {
        return std::nullopt;
    }
    MessageBoxInfo info;
    info.caption = Text(box);
    info.topmost = (::GetWindowLongW(box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    HWND firstButton = nullptr;
    for (const ControlInfo& control : Controls(box)) {
        if (control.className == u"Button") {
            info.buttons.push_back(control.text);
            firstButton = firstButton != nullptr ? firstButton : ::GetDlgItem(box, control.id);
        } else if (control.className == u"Static" && !control.text.empty()) {
            info.text = control.text;
        }
    }
    if (firstButton != nullptr) {
        ClickLater(firstButton);
    }
    WaitGone(box);
    return info;
}

bool COperator::WaitGone(Window window) const {
    return WaitUntil(m_timeoutMs, [&] { return ::IsWindow(Hwnd(window)) == FALSE; });
}

bool COperator::CloseAll() const {
    bool nothingLeft = true;
    for (int round = 0; round < 10; ++round) {
        // An owned window (a message box) first: its owner is disabled until it goes.
        HWND open = nullptr;
        for (Window w : TopWindows()) {
            HWND window = Hwnd(w);
            if (IsDialogBox(window) && ::IsWindowVisible(window) &&
                (open == nullptr || ::GetWindow(window, GW_OWNER) != nullptr)) {
                open = window;
            }
        }
        if (open == nullptr) {
            return nothingLeft;
        }
        nothingLeft = false;
        ::PostMessageW(open, WM_CLOSE, 0, 0);
        WaitGone(open);
    }
    return false;
}

void COperator::Press(Key key) const {
    GUITHREADINFO thread{};
    thread.cbSize = sizeof(thread);
    ::GetGUIThreadInfo(m_uiThread, &thread);
    HWND target = thread.hwndFocus != nullptr ? thread.hwndFocus : thread.hwndActive;
    const WPARAM code = key == Key::Escape ? VK_ESCAPE : VK_RETURN;
    ::PostMessageW(target, WM_KEYDOWN, code, 1);
    ::PostMessageW(target, WM_KEYUP, code, static_cast<LPARAM>(0xC0000001u));  // released
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

std::vector<ControlInfo> Controls(Window dialog) {
    std::vector<ControlInfo> controls;
    for (HWND child = ::GetWindow(Hwnd(dialog), GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        ControlInfo info;
        info.id = static_cast<int16_t>(::GetDlgCtrlID(child));  // -1 is stored as 0xFFFF
        info.className = ClassName(child);
        info.text = Text(child);
        RECT r{};
        ::GetWindowRect(child, &r);
        info.rect = ToClient(Hwnd(dialog), r);
        info.style = static_cast<uint32_t>(::GetWindowLongW(child, GWL_STYLE));
        info.exStyle = static_cast<uint32_t>(::GetWindowLongW(child, GWL_EXSTYLE));
        controls.push_back(info);
    }
    return controls;
}

std::vector<int> TabOrder(Window dialog) {
    std::vector<int> order;
    HWND first = ::GetNextDlgTabItem(Hwnd(dialog), nullptr, FALSE);
    HWND at = first;
    while (at != nullptr && order.size() < 64) {
        order.push_back(static_cast<int16_t>(::GetDlgCtrlID(at)));
        at = ::GetNextDlgTabItem(Hwnd(dialog), at, FALSE);
        if (at == first) {
            break;
        }
    }
    return order;
}

Rect ClientRect(Window window) {
    RECT r{};
    ::GetClientRect(Hwnd(window), &r);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

Rect MapDialogRect(Window dialog, const Rect& dialogUnits) {
    RECT r{dialogUnits.x, dialogUnits.y, dialogUnits.cx, dialogUnits.cy};
    ::MapDialogRect(Hwnd(dialog), &r);
    return {r.left, r.top, r.right, r.bottom};
}

Rect DroppedRect(Window combo) {
    RECT r{};
    ::SendMessageW(Hwnd(combo), CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&r));
    return ToClient(::GetParent(Hwnd(combo)), r);
}

std::vector<std::u16string> ComboItems(Window combo) {
    std::vector<std::u16string> items;
    const int count = static_cast<int>(::SendMessageW(Hwnd(combo), CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[256] = {};
        ::SendMessageW(Hwnd(combo), CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        items.push_back(FromWide(text));
    }
    return items;
}

std::vector<std::u16string> ListRows(Window list) {
    std::vector<std::u16string> rows;
    const int count = static_cast<int>(::SendMessageW(Hwnd(list), LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const auto length = ::SendMessageW(Hwnd(list), LB_GETTEXTLEN, i, 0);
        std::u16string row(static_cast<size_t>(length) + 1, u'\0');
        ::SendMessageW(Hwnd(list), LB_GETTEXT, i, reinterpret_cast<LPARAM>(row.data()));
        row.resize(static_cast<size_t>(length));
        rows.push_back(row);
    }
    return rows;
}

int ListItemHeight(Window list) {
    return static_cast<int>(::SendMessageW(Hwnd(list), LB_GETITEMHEIGHT, 0, 0));
}

std::vector<std::u16string> TreeRows(Window tree) {
    std::vector<std::u16string> rows;
    CollectTreeRows(Hwnd(tree), TreeView_GetRoot(Hwnd(tree)), rows);
    return rows;
}

bool IsChecked(Window button) {
    return ::SendMessageW(Hwnd(button), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

FontInfo DialogFont(Window dialog) {
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    auto* font = reinterpret_cast<HFONT>(::SendMessageW(Hwnd(dialog), WM_GETFONT, 0, 0));
    LOGFONTW description{};
    if (font == nullptr || ::GetObjectW(font, sizeof(description), &description) == 0) {
        return {};
    }
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    const int height = description.lfHeight < 0 ? -description.lfHeight : description.lfHeight;
    return {FromWide(description.lfFaceName), ::MulDiv(height, 72, dpi)};
}

bool SelectTreeRow(Window tree, const std::u16string& text) {
    HTREEITEM item = FindTreeRow(Hwnd(tree), TreeView_GetRoot(Hwnd(tree)), text);
    return item != nullptr && TreeView_SelectItem(Hwnd(tree), item) != FALSE;
}

bool SelectListRow(Window list, const std::u16string& text) {
    const auto row = ::SendMessageW(Hwnd(list), LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                    reinterpret_cast<LPARAM>(Wide(text)));
    return row != LB_ERR && ::SendMessageW(Hwnd(list), LB_SETCURSEL, row, 0) != LB_ERR;
}

bool ChooseComboItem(Window combo, const std::u16string& text) {
    const auto row = ::SendMessageW(Hwnd(combo), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                    reinterpret_cast<LPARAM>(Wide(text)));
    return row != CB_ERR && ::SendMessageW(Hwnd(combo), CB_SETCURSEL, row, 0) != CB_ERR;
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
    ::SendMessageW(Hwnd(button), BM_CLICK, 0, 0);
}

void ClickLater(Window button) {
    ::PostMessageW(Hwnd(button), BM_CLICK, 0, 0);
}

bool SavePng(Window window, const std::u16string& path) {
    HWND w = Hwnd(window);
    ::RedrawWindow(w, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    RECT r{};
    ::GetWindowRect(w, &r);
    HDC source = ::GetWindowDC(w);
    HDC copy = ::CreateCompatibleDC(source);
    HBITMAP picture = ::CreateCompatibleBitmap(source, r.right - r.left, r.bottom - r.top);
    HGDIOBJ previous = ::SelectObject(copy, picture);
    const bool drawn =
        ::BitBlt(copy, 0, 0, r.right - r.left, r.bottom - r.top, source, 0, 0, SRCCOPY) != FALSE;
    ::SelectObject(copy, previous);
    ::DeleteDC(copy);
    ::ReleaseDC(w, source);

    Gdiplus::GdiplusStartupInput startup;
    ULONG_PTR token = 0;
    bool saved = false;
    if (drawn && Gdiplus::GdiplusStartup(&token, &startup, nullptr) == Gdiplus::Ok) {
        Gdiplus::GpBitmap* bitmap = nullptr;
        if (Gdiplus::DllExports::GdipCreateBitmapFromHBITMAP(picture, nullptr, &bitmap) ==
            Gdiplus::Ok) {
            saved = Gdiplus::DllExports::GdipSaveImageToFile(bitmap, Wide(path), &kPngEncoder,
                                                             nullptr) == Gdiplus::Ok;
            Gdiplus::DllExports::GdipDisposeImage(bitmap);
        }
        Gdiplus::GdiplusShutdown(token);
    }
    ::DeleteObject(picture);
    return saved;
}

}  // namespace win32op
