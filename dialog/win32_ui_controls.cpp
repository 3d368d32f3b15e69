// win32_ui_controls.cpp - the messages the native editor sends its controls: window texts, check
// boxes, list boxes, combo boxes and tree controls.
#include "dialog/win32_ui.h"

#include <new>
#include <string>

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

namespace win32ui {
namespace {

HWND Hwnd(Window window) {
    return static_cast<HWND>(window);
}

HTREEITEM Item(TreeItem item) {
    return static_cast<HTREEITEM>(item);
}

LRESULT Send(Window window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return ::SendMessageW(Hwnd(window), message, wParam, lParam);
}

// A pointer the control handed back as an integer.
template <class T = void>
T* Pointer(LRESULT value) {
    return reinterpret_cast<T*>(value);  // NOLINT(performance-no-int-to-ptr)
}

LPARAM TextParam(const char16_t* text) {
    return reinterpret_cast<LPARAM>(text);
}

// Text of a known length, fetched by a message that fills a buffer and returns the units copied.
template <class Fetch>
std::u16string FetchText(LRESULT length, Fetch&& fetch) {
    if (length <= 0) {
        return {};
    }
    std::u16string text(static_cast<size_t>(length) + 1, u'\0');
    const LRESULT copied = fetch(reinterpret_cast<wchar_t*>(text.data()));
    text.resize(copied > 0 && copied <= length ? static_cast<size_t>(copied) : 0);
    return text;
}

// Adding a string: a control that has no room left says so with a negative index.
int Added(LRESULT index) {
    if (index < 0) {
        throw std::bad_alloc();
    }
    return static_cast<int>(index);
}

}  // namespace

std::u16string GetText(Window control) {
    const int length = ::GetWindowTextLengthW(Hwnd(control));
    return FetchText(length, [&](wchar_t* buffer) {
        return ::GetWindowTextW(Hwnd(control), buffer, length + 1);
    });
}

void SetText(Window control, const char16_t* text) {
    ::SetWindowTextW(Hwnd(control), reinterpret_cast<const wchar_t*>(text));
}

int GetCheck(Window button) {
    return Send(button, BM_GETCHECK) == BST_CHECKED ? 1 : 0;
}

void SetCheck(Window button, int check) {
    Send(button, BM_SETCHECK, check != 0 ? BST_CHECKED : BST_UNCHECKED);
}

int ListCount(Window list) {
    return static_cast<int>(Send(list, LB_GETCOUNT));
}

int ListAdd(Window list, const char16_t* text) {
    return Added(Send(list, LB_ADDSTRING, 0, TextParam(text)));
}

int ListDelete(Window list, int index) {
    return static_cast<int>(Send(list, LB_DELETESTRING, index));
}

std::u16string ListText(Window list, int index) {
    return FetchText(Send(list, LB_GETTEXTLEN, index), [&](wchar_t* buffer) {
        return Send(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(buffer));
    });
}

int ListCurSel(Window list) {
    return static_cast<int>(Send(list, LB_GETCURSEL));
}

void ListSetCurSel(Window list, int index) {
    Send(list, LB_SETCURSEL, index);
}

void* ListData(Window list, int index) {
    if (index < 0 || index >= ListCount(list)) {
        return nullptr;
    }
    return Pointer(Send(list, LB_GETITEMDATA, index));
}

void ListSetData(Window list, int index, void* data) {
    Send(list, LB_SETITEMDATA, index, reinterpret_cast<LPARAM>(data));
}

int ListExtent(Window list) {
    return static_cast<int>(Send(list, LB_GETHORIZONTALEXTENT));
}

void ListSetExtent(Window list, int extent) {
    Send(list, LB_SETHORIZONTALEXTENT, extent);
}

int TextWidth(Window window, const char16_t* text, int length) {
    HDC dc = ::GetDC(Hwnd(window));
    if (dc == nullptr) {
        return 0;
    }
    SIZE size{};
    ::GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t*>(text), length, &size);
    ::ReleaseDC(Hwnd(window), dc);
    return size.cx;
}

int ComboCount(Window combo) {
    return static_cast<int>(Send(combo, CB_GETCOUNT));
}

int ComboAdd(Window combo, const char16_t* text) {
    return Added(Send(combo, CB_ADDSTRING, 0, TextParam(text)));
}

std::u16string ComboText(Window combo, int index) {
    return FetchText(Send(combo, CB_GETLBTEXTLEN, index), [&](wchar_t* buffer) {
        return Send(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(buffer));
    });
}

int ComboCurSel(Window combo) {
    return static_cast<int>(Send(combo, CB_GETCURSEL));
}

void ComboSetCurSel(Window combo, int index) {
    Send(combo, CB_SETCURSEL, index);
}

TreeItem TreeInsert(Window tree, const char16_t* text, TreeItem parent) {
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent != nullptr ? Item(parent) : TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT;
    insert.item.pszText = const_cast<wchar_t*>(reinterpret_cast<const wchar_t*>(text));
    HTREEITEM item =
        Pointer<_TREEITEM>(Send(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    if (item == nullptr) {
        throw std::bad_alloc();
    }
    return item;
}

TreeItem TreeGet(Window tree, TreeRelation relation, TreeItem item) {
    WPARAM flag = TVGN_ROOT;
    switch (relation) {
        case TreeRelation::Root:
            flag = TVGN_ROOT;
            break;
        case TreeRelation::Selected:
            flag = TVGN_CARET;
            break;
        case TreeRelation::NextSibling:
            flag = TVGN_NEXT;
            break;
        case TreeRelation::FirstChild:
            flag = TVGN_CHILD;
            break;
    }
    return Pointer(Send(tree, TVM_GETNEXTITEM, flag, reinterpret_cast<LPARAM>(Item(item))));
}

std::u16string TreeText(Window tree, TreeItem item) {
    // The control tells no text length: grow the buffer until the text fits with room to spare.
    for (size_t capacity = 256;; capacity *= 2) {
        std::u16string text(capacity, u'\0');
        TVITEMW query{};
        query.mask = TVIF_TEXT | TVIF_HANDLE;
        query.hItem = Item(item);
        query.pszText = reinterpret_cast<wchar_t*>(text.data());
        query.cchTextMax = static_cast<int>(capacity);
        if (Send(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&query)) == 0) {
            return {};
        }
        text.resize(std::char_traits<char16_t>::length(text.c_str()));
        if (text.size() + 1 < capacity) {
            return text;
        }
    }
}

void* TreeData(Window tree, TreeItem item) {
    TVITEMW query{};
    query.mask = TVIF_PARAM | TVIF_HANDLE;
    query.hItem = Item(item);
    if (item == nullptr || Send(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&query)) == 0) {
        return nullptr;
    }
    return Pointer(query.lParam);
}

void TreeSetData(Window tree, TreeItem item, void* data) {
    TVITEMW change{};
    change.mask = TVIF_PARAM | TVIF_HANDLE;
    change.hItem = Item(item);
    change.lParam = reinterpret_cast<LPARAM>(data);
    Send(tree, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&change));
}

void TreeSelect(Window tree, TreeItem item) {
    Send(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(Item(item)));
}

void TreeExpand(Window tree, TreeItem item) {
    Send(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(Item(item)));
}

bool TreeIsExpanded(Window tree, TreeItem item) {
    return (Send(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(Item(item)), TVIS_EXPANDED) &
            TVIS_EXPANDED) != 0;
}

}  // namespace win32ui
