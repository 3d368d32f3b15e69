// fake_dialog_window.h - test doubles of the control interfaces: a dialog window built from a
// template without any toolkit, and a runner that plays a script against it.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "dialog/dialog.h"
#include "dialog/dialog_controls.h"
#include "dialog/dialog_template.h"
#include "platform/cstring.h"

class CFakeText final : public IWindowText {
  public:
    CString GetWindowText() const override { return m_text; }
    void SetWindowText(const CString& text) override { m_text = text; }
    CString m_text;
};

class CFakeButton final : public IButton {
  public:
    CString GetWindowText() const override { return m_text; }
    void SetWindowText(const CString& text) override { m_text = text; }
    CString m_text;
};

class CFakeCheckBox final : public ICheckBox {
  public:
    CString GetWindowText() const override { return m_text; }
    void SetWindowText(const CString& text) override { m_text = text; }
    int GetCheck() const override { return m_nCheck; }
    void SetCheck(int check) override { m_nCheck = check; }
    CString m_text;
    int m_nCheck = 0;
};

class CFakeComboBox final : public IComboBox {
  public:
    CString GetWindowText() const override { return m_text; }
    void SetWindowText(const CString& text) override;
    int GetCount() const override { return static_cast<int>(m_items.size()); }
    CString GetLBText(int index) const override;
    int AddString(const CString& text) override;
    int GetCurSel() const override { return m_nSel; }
    void SetCurSel(int index) override;
    // What the operator does: types into the field (leaves no item selected).
    void Type(const CString& text) { SetWindowText(text); }
    std::vector<CString> m_items;
    CString m_text;
    int m_nSel = LB_ERR;
};

// Text widths: a fixed number of pixels per character.
class CFakeListBox final : public IListBox {
  public:
    static constexpr int kCharWidth = 7;
    int GetCount() const override { return static_cast<int>(m_rows.size()); }
    int AddString(const CString& text) override;
    int DeleteString(int index) override;
    CString GetText(int index) const override;
    int GetCurSel() const override { return m_nSel; }
    void SetCurSel(int index) override;
    void* GetItemDataPtr(int index) const override;
    void SetItemDataPtr(int index, void* data) override;
    int GetHorizontalExtent() const override { return m_nExtent; }
    void SetHorizontalExtent(int extent) override { m_nExtent = extent; }
    int GetTextExtent(const CString& text) const override { return text.GetLength() * kCharWidth; }
    // The row whose text is text, or LB_ERR.
    int FindRow(const CString& text) const;

    struct Row {
        CString text;
        void* data = nullptr;
    };
    std::vector<Row> m_rows;
    int m_nSel = LB_ERR;
    int m_nExtent = 0;
};

class CFakeTreeCtrl final : public ITreeCtrl {
  public:
    struct Node {
        CString text;
        void* data = nullptr;
        Node* parent = nullptr;
        bool expanded = false;
        std::vector<std::unique_ptr<Node>> children;
    };
    HTREEITEM InsertItem(const CString& text, HTREEITEM parent) override;
    CString GetItemText(HTREEITEM item) const override;
    void* GetItemData(HTREEITEM item) const override;
    void SetItemData(HTREEITEM item, void* data) override;
    HTREEITEM GetSelectedItem() const override { return ToHandle(m_pSelected); }
    void SelectItem(HTREEITEM item) override { m_pSelected = ToNode(item); }
    HTREEITEM GetRootItem() const override;
    HTREEITEM GetNextSiblingItem(HTREEITEM item) const override;
    HTREEITEM GetChildItem(HTREEITEM item) const override;
    bool ItemHasChildren(HTREEITEM item) const override;
    void Expand(HTREEITEM item) override;
    bool IsExpanded(HTREEITEM item) const override;
    // The row (at any level) whose text is text, or null.
    HTREEITEM FindItem(const CString& text) const;

    static Node* ToNode(HTREEITEM item) { return reinterpret_cast<Node*>(item); }
    static HTREEITEM ToHandle(Node* node) { return reinterpret_cast<HTREEITEM>(node); }
    std::vector<std::unique_ptr<Node>> m_roots;
    Node* m_pSelected = nullptr;
};

struct FakeMessage {
    CString text;
    UINT type;
};

class CFakeDialogWindow final : public IDialogWindow {
  public:
    explicit CFakeDialogWindow(const DialogTemplate& dialogTemplate);

    IButton* GetButton(int id) override { return Find(m_buttons, id); }
    ICheckBox* GetCheckBox(int id) override { return Find(m_checkBoxes, id); }
    IComboBox* GetComboBox(int id) override { return Find(m_combos, id); }
    IListBox* GetListBox(int id) override { return Find(m_lists, id); }
    ITreeCtrl* GetTreeCtrl(int id) override { return Find(m_trees, id); }
    IWindowText* GetTextControl(int id) override;
    int MessageBox(const CString& text, UINT type) override;
    void EndDialog(int result) override;

    CFakeListBox& List(int id) { return *m_lists.at(id); }
    CFakeTreeCtrl& Tree(int id) { return *m_trees.at(id); }
    CFakeComboBox& Combo(int id) { return *m_combos.at(id); }
    CFakeCheckBox& Check(int id) { return *m_checkBoxes.at(id); }
    CFakeText& Text(int id) { return *m_texts.at(id); }
    // The texts of the message boxes shown since the last call, oldest first.
    std::vector<CString> TakeMessages();

    std::vector<FakeMessage> m_messages;
    bool m_bEnded = false;
    int m_nResult = 0;

  private:
    template <class Map>
    static typename Map::mapped_type::pointer Find(Map& map, int id) {
        auto it = map.find(id);
        return it != map.end() ? it->second.get() : nullptr;
    }
    std::map<int, std::unique_ptr<CFakeButton>> m_buttons;
    std::map<int, std::unique_ptr<CFakeCheckBox>> m_checkBoxes;
    std::map<int, std::unique_ptr<CFakeComboBox>> m_combos;
    std::map<int, std::unique_ptr<CFakeListBox>> m_lists;
    std::map<int, std::unique_ptr<CFakeTreeCtrl>> m_trees;
    std::map<int, std::unique_ptr<CFakeText>> m_texts;
};

// Runs a dialog in a fake window: OnInitDialog, then the script (which plays the operator through
// dialog.OnCommand), then, when the script did not end the run, Esc; then OnDestroy. The window
// stays for inspection until the next run.
class CFakeRunner final : public IModalRunner {
  public:
    using Script = std::function<void(CFakeDialogWindow& window, CDialog& dialog)>;
    explicit CFakeRunner(Script script = {}) : m_script(std::move(script)) {}
    int RunModal(CDialog& dialog) override;

    std::unique_ptr<CFakeDialogWindow> m_pWindow;
    std::vector<FakeMessage> m_initMessages;  // shown while the dialog opened
    Script m_script;
    // Runs on the new window before OnInitDialog.
    std::function<void(CFakeDialogWindow& window)> m_beforeInit;
};
