// win32_controls.h - the control interfaces over native Win32 controls (through win32_ui.h).
#pragma once

#include "dialog/dialog_controls.h"
#include "dialog/win32_ui.h"
#include "platform/cstring.h"

// Any window with a text (static text, edit, button, check box, combo box), as the interface
// wanted.
template <class Interface>
class CWin32Text : public Interface {
  public:
    explicit CWin32Text(win32ui::Window window) : m_hWnd(window) {}
    CString GetWindowText() const override { return win32ui::GetText(m_hWnd); }
    void SetWindowText(const CString& text) override { win32ui::SetText(m_hWnd, text); }

  protected:
    win32ui::Window m_hWnd;
};

using CWin32WindowText = CWin32Text<IWindowText>;
using CWin32Button = CWin32Text<IButton>;

class CWin32CheckBox final : public CWin32Text<ICheckBox> {
  public:
    using CWin32Text::CWin32Text;
    int GetCheck() const override { return win32ui::GetCheck(m_hWnd); }
    void SetCheck(int check) override { win32ui::SetCheck(m_hWnd, check); }
};

class CWin32ComboBox final : public CWin32Text<IComboBox> {
  public:
    using CWin32Text::CWin32Text;
    int GetCount() const override { return win32ui::ComboCount(m_hWnd); }
    CString GetLBText(int index) const override { return win32ui::ComboText(m_hWnd, index); }
    int AddString(const CString& text) override { return win32ui::ComboAdd(m_hWnd, text); }
    int GetCurSel() const override { return win32ui::ComboCurSel(m_hWnd); }
    void SetCurSel(int index) override { win32ui::ComboSetCurSel(m_hWnd, index); }
};

class CWin32ListBox final : public IListBox {
  public:
    explicit CWin32ListBox(win32ui::Window window) : m_hWnd(window) {}
    int GetCount() const override { return win32ui::ListCount(m_hWnd); }
    int AddString(const CString& text) override { return win32ui::ListAdd(m_hWnd, text); }
    int DeleteString(int index) override { return win32ui::ListDelete(m_hWnd, index); }
    CString GetText(int index) const override { return win32ui::ListText(m_hWnd, index); }
    int GetCurSel() const override { return win32ui::ListCurSel(m_hWnd); }
    void SetCurSel(int index) override { win32ui::ListSetCurSel(m_hWnd, index); }
    void* GetItemDataPtr(int index) const override { return win32ui::ListData(m_hWnd, index); }
    void SetItemDataPtr(int index, void* data) override {
        win32ui::ListSetData(m_hWnd, index, data);
    }
    int GetHorizontalExtent() const override { return win32ui::ListExtent(m_hWnd); }
    void SetHorizontalExtent(int extent) override { win32ui::ListSetExtent(m_hWnd, extent); }
    int GetTextExtent(const CString& text) const override {
        return win32ui::TextWidth(m_hWnd, text, text.GetLength());
    }

  private:
    win32ui::Window m_hWnd;
};

class CWin32TreeCtrl final : public ITreeCtrl {
  public:
    explicit CWin32TreeCtrl(win32ui::Window window) : m_hWnd(window) {}
    HTREEITEM InsertItem(const CString& text, HTREEITEM parent) override;
    CString GetItemText(HTREEITEM item) const override;
    void* GetItemData(HTREEITEM item) const override;
    void SetItemData(HTREEITEM item, void* data) override;
    HTREEITEM GetSelectedItem() const override;
    void SelectItem(HTREEITEM item) override;
    HTREEITEM GetRootItem() const override;
    HTREEITEM GetNextSiblingItem(HTREEITEM item) const override;
    HTREEITEM GetChildItem(HTREEITEM item) const override;
    bool ItemHasChildren(HTREEITEM item) const override;
    void Expand(HTREEITEM item) override;
    bool IsExpanded(HTREEITEM item) const override;

  private:
    win32ui::Window m_hWnd;
};
