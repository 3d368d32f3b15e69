// dialog_controls.h - the controls a dialog's logic talks to, as small interfaces, so that the
// logic runs the same under the real toolkit and under test fakes. Indexes are 0-based; -1 (LB_ERR)
// means none.
#pragma once

#include <vector>

#include "platform/cstring.h"
#include "platform/types.h"

constexpr int LB_ERR = -1;

// An item of a tree control: opaque, null for none.
struct TreeItemTag;
using HTREEITEM = TreeItemTag*;

// Message box types.
constexpr UINT MB_OK = 0x0;
constexpr UINT MB_TOPMOST = 0x40000;  // stays above other windows

// Anything with a window text: static text, edit, button, check box, combo box.
class IWindowText {
  public:
    virtual ~IWindowText() = default;
    virtual CString GetWindowText() const = 0;
    virtual void SetWindowText(const CString& text) = 0;
};

class IButton : public IWindowText {};

class ICheckBox : public IWindowText {
  public:
    virtual int GetCheck() const = 0;  // 0 or 1
    virtual void SetCheck(int check) = 0;
};

// A combo box with an editable field: its window text is the field's text.
class IComboBox : public IWindowText {
  public:
    virtual int GetCount() const = 0;
    virtual CString GetLBText(int index) const = 0;
    virtual int AddString(const CString& text) = 0;
    virtual int GetCurSel() const = 0;
    // Selects the item and shows its text in the field; -1 clears the selection.
    virtual void SetCurSel(int index) = 0;
};

// An unsorted list box whose rows carry a pointer each.
class IListBox {
  public:
    virtual ~IListBox() = default;
    virtual int GetCount() const = 0;
    virtual int AddString(const CString& text) = 0;  // the new row's index
    virtual int DeleteString(int index) = 0;         // rows left, or LB_ERR
    virtual CString GetText(int index) const = 0;
    virtual int GetCurSel() const = 0;
    virtual void SetCurSel(int index) = 0;
    virtual void* GetItemDataPtr(int index) const = 0;  // null for a bad index
    virtual void SetItemDataPtr(int index, void* data) = 0;
    // How far, in pixels, the rows can be scrolled sideways.
    virtual int GetHorizontalExtent() const = 0;
    virtual void SetHorizontalExtent(int extent) = 0;
    // The width of text in pixels, as drawn with the list window's default font.
    virtual int GetTextExtent(const CString& text) const = 0;
    // The largest GetTextExtent of the texts (0 for none). A view that can tell which texts
    // cannot be the widest without measuring them exactly may skip those.
    virtual int GetWidestTextExtent(const std::vector<CString>& texts) const {
        int widest = 0;
        for (const CString& text : texts) {
            const int width = GetTextExtent(text);
            widest = width > widest ? width : widest;
        }
        return widest;
    }
};

class ITreeCtrl {
  public:
    virtual ~ITreeCtrl() = default;
    // Appends a row under parent (null: a top-level row).
    virtual HTREEITEM InsertItem(const CString& text, HTREEITEM parent) = 0;
    virtual CString GetItemText(HTREEITEM item) const = 0;
    virtual void* GetItemData(HTREEITEM item) const = 0;
    virtual void SetItemData(HTREEITEM item, void* data) = 0;
    virtual HTREEITEM GetSelectedItem() const = 0;
    virtual void SelectItem(HTREEITEM item) = 0;
    virtual HTREEITEM GetRootItem() const = 0;  // the first top-level row
    virtual HTREEITEM GetNextSiblingItem(HTREEITEM item) const = 0;
    virtual HTREEITEM GetChildItem(HTREEITEM item) const = 0;
    virtual bool ItemHasChildren(HTREEITEM item) const = 0;
    virtual void Expand(HTREEITEM item) = 0;
    virtual bool IsExpanded(HTREEITEM item) const = 0;
};

// The dialog window: its controls by ID, message boxes and ending the modal run.
class IDialogWindow {
  public:
    virtual ~IDialogWindow() = default;
    // The control with the ID if it is of that kind, else null.
    virtual IButton* GetButton(int id) = 0;
    virtual ICheckBox* GetCheckBox(int id) = 0;
    virtual IComboBox* GetComboBox(int id) = 0;
    virtual IListBox* GetListBox(int id) = 0;
    virtual ITreeCtrl* GetTreeCtrl(int id) = 0;
    // Static texts and edits (and any other control with a window text).
    virtual IWindowText* GetTextControl(int id) = 0;

    // Shows text in a modal message box with an OK button; returns when it is closed.
    virtual int MessageBox(const CString& text, UINT type) = 0;
    // Closes the window; the modal run returns result.
    virtual void EndDialog(int result) = 0;
};
