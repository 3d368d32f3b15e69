// win32_operator.cpp - the test operator's Win32 side.
#include "dialog/win32_operator.h"

#include <gtest/gtest.h>

// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <gdiplus.h>
// clang-format on

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace win32op {
namespace {

constexpr int kTimeoutMs = 15000;

HWND Hwnd(Window window) {
    return static_cast<HWND>(window);
}

const wchar_t* Wide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
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

BOOL CALLBACK CollectWindow(HWND window, LPARAM found) {
    // Nothing may unwind through the system's enumeration.
    try {
        // NOLINTNEXTLINE(performance-no-int-to-ptr): Win32 hands pointers as integers.
        reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
        return TRUE;
    } catch (...) {
        return FALSE;
    }
}

// The visible dialog boxes of the thread; message boxes are dialog boxes with an owner.
std::vector<HWND> ShownDialogs(unsigned long thread) {
    std::vector<HWND> windows;
    ::EnumThreadWindows(thread, CollectWindow, reinterpret_cast<LPARAM>(&windows));
    std::erase_if(
        windows, [](HWND w) { return ClassName(w) != u"#32770" || ::IsWindowVisible(w) == FALSE; });
    return windows;
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

// The PNG encoder's class ID, as GDI+ lists it.
constexpr CLSID kPngEncoder = {
    0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};

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

std::optional<MessageBoxInfo> COperator::AnswerMessageBox() const {
    HWND box = Hwnd(FindDialog(IsOwned));
    if (box == nullptr) {
        return std::nullopt;
    }
    MessageBoxInfo info;
    info.caption = Text(box);
    HWND firstButton = nullptr;
    for (HWND child = ::GetWindow(box, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (ClassName(child) == u"Button") {
            info.buttons.push_back(Text(child));
            firstButton = firstButton != nullptr ? firstButton : child;
        } else if (ClassName(child) == u"Static" && !Text(child).empty()) {
            info.text = Text(child);
        }
    }
    if (firstButton != nullptr) {
        ClickLater(firstButton);
    }
    WaitGone(box);
    return info;
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

bool SelectTreeRow(Window tree, const std::u16string& text) {
    HTREEITEM item = FindTreeRow(Hwnd(tree), TreeView_GetRoot(Hwnd(tree)), text);
    return item != nullptr && TreeView_SelectItem(Hwnd(tree), item) != FALSE;
}

bool SelectListRow(Window list, const std::u16string& text) {
    const auto row = ::SendMessageW(Hwnd(list), LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                    reinterpret_cast<LPARAM>(Wide(text)));
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
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (drawn && Gdiplus::GdiplusStartup(&token, &startup, nullptr) == Gdiplus::Ok) {
        using namespace Gdiplus::DllExports;
        if (GdipCreateBitmapFromHBITMAP(picture, nullptr, &bitmap) == Gdiplus::Ok) {
            saved = GdipSaveImageToFile(bitmap, Wide(path), &kPngEncoder, nullptr) == Gdiplus::Ok;
            GdipDisposeImage(bitmap);
        }
        Gdiplus::GdiplusShutdown(token);
    }
    ::DeleteObject(picture);
    return saved;
}

}  // namespace win32op
