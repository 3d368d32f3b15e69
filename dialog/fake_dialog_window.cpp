// fake_dialog_window.cpp - test doubles of the control interfaces.
#include "dialog/fake_dialog_window.h"

#include <stdexcept>

void CFakeComboBox::SetWindowText(const CString& text) {
    m_text = text;
    m_nSel = LB_ERR;
}

CString CFakeComboBox::GetLBText(int index) const {
    return m_items.at(static_cast<size_t>(index));
}

int CFakeComboBox::AddString(const CString& text) {
    m_items.push_back(text);
    return GetCount() - 1;
}

void CFakeComboBox::SetCurSel(int index) {
    if (index < 0 || index >= GetCount()) {
        m_nSel = LB_ERR;
        return;
    }
    m_nSel = index;
    m_text = m_items[static_cast<size_t>(index)];
}

int CFakeListBox::AddString(const CString& text) {
    m_rows.push_back({text, nullptr});
    return GetCount() - 1;
}

int CFakeListBox::DeleteString(int index) {
    if (index < 0 || index >= GetCount()) {
        return LB_ERR;
    }
    m_rows.erase(m_rows.begin() + index);
    if (m_nSel == index) {
        m_nSel = LB_ERR;
    } else if (m_nSel > index) {
        --m_nSel;
    }
    return GetCount();
}

CString CFakeListBox::GetText(int index) const {
    return m_rows.at(static_cast<size_t>(index)).text;
}

void CFakeListBox::SetCurSel(int index) {
    m_nSel = index >= 0 && index < GetCount() ? index : LB_ERR;
}

void* CFakeListBox::GetItemDataPtr(int index) const {
    return index >= 0 && index < GetCount() ? m_rows[static_cast<size_t>(index)].data : nullptr;
}

void CFakeListBox::SetItemDataPtr(int index, void* data) {
    m_rows.at(static_cast<size_t>(index)).data = data;
}

int CFakeListBox::FindRow(const CString& text) const {
    for (int i = 0; i < GetCount(); ++i) {
        if (m_rows[static_cast<size_t>(i)].text == text) {
            return i;
        }
    }
    return LB_ERR;
}

HTREEITEM CFakeTreeCtrl::InsertItem(const CString& text, HTREEITEM parent) {
    auto node = std::make_unique<Node>();
    node->text = text;
    node->parent = ToNode(parent);
    Node* raw = node.get();
    (parent == nullptr ? m_roots : ToNode(parent)->children).push_back(std::move(node));
    return ToHandle(raw);
}

CString CFakeTreeCtrl::GetItemText(HTREEITEM item) const {
    return item != nullptr ? ToNode(item)->text : CString();
}

void* CFakeTreeCtrl::GetItemData(HTREEITEM item) const {
    return item != nullptr ? ToNode(item)->data : nullptr;
}

void CFakeTreeCtrl::SetItemData(HTREEITEM item, void* data) {
    if (item == nullptr) {
        throw std::logic_error("SetItemData on no item");
    }
    ToNode(item)->data = data;
}

HTREEITEM CFakeTreeCtrl::GetRootItem() const {
    return m_roots.empty() ? nullptr : ToHandle(m_roots.front().get());
}

HTREEITEM CFakeTreeCtrl::GetNextSiblingItem(HTREEITEM item) const {
    if (item == nullptr) {
        return nullptr;
    }
    const Node* node = ToNode(item);
    const auto& siblings = node->parent == nullptr ? m_roots : node->parent->children;
    for (size_t i = 0; i + 1 < siblings.size(); ++i) {
        if (siblings[i].get() == node) {
            return ToHandle(siblings[i + 1].get());
        }
    }
    return nullptr;
}

HTREEITEM CFakeTreeCtrl::GetChildItem(HTREEITEM item) const {
    if (item == nullptr || ToNode(item)->children.empty()) {
        return nullptr;
    }
    return ToHandle(ToNode(item)->children.front().get());
}

bool CFakeTreeCtrl::ItemHasChildren(HTREEITEM item) const {
    return item != nullptr && !ToNode(item)->children.empty();
}

void CFakeTreeCtrl::Expand(HTREEITEM item) {
    if (item != nullptr) {
        ToNode(item)->expanded = true;
    }
}

bool CFakeTreeCtrl::IsExpanded(HTREEITEM item) const {
    return item != nullptr && ToNode(item)->expanded;
}

namespace {
HTREEITEM FindIn(const std::vector<std::unique_ptr<CFakeTreeCtrl::Node>>& nodes,
                 const CString& text) {
    for (const auto& node : nodes) {
        if (node->text == text) {
            return CFakeTreeCtrl::ToHandle(node.get());
        }
        if (HTREEITEM found = FindIn(node->children, text)) {
            return found;
        }
    }
    return nullptr;
}
}  // namespace

HTREEITEM CFakeTreeCtrl::FindItem(const CString& text) const {
    return FindIn(m_roots, text);
}

CFakeDialogWindow::CFakeDialogWindow(const DialogTemplate& dialogTemplate) {
    for (const DialogControl& control : dialogTemplate.controls) {
        if (control.id == kIdStatic) {
            continue;
        }
        switch (control.kind) {
            case ControlKind::PushButton:
                m_buttons[control.id] = std::make_unique<CFakeButton>();
                m_buttons[control.id]->m_text = control.caption;
                break;
            case ControlKind::CheckBox:
                m_checkBoxes[control.id] = std::make_unique<CFakeCheckBox>();
                m_checkBoxes[control.id]->m_text = control.caption;
                break;
            case ControlKind::ComboBox:
                m_combos[control.id] = std::make_unique<CFakeComboBox>();
                break;
            case ControlKind::ListBox:
                m_lists[control.id] = std::make_unique<CFakeListBox>();
                break;
            case ControlKind::TreeView:
                m_trees[control.id] = std::make_unique<CFakeTreeCtrl>();
                break;
            case ControlKind::StaticText:
            case ControlKind::Edit:
                m_texts[control.id] = std::make_unique<CFakeText>();
                m_texts[control.id]->m_text = control.caption;
                break;
        }
    }
    for (const DialogComboInit& init : dialogTemplate.comboInit) {
        for (const char16_t* item : init.items) {
            m_combos.at(init.id)->AddString(item);
        }
    }
}

IWindowText* CFakeDialogWindow::GetTextControl(int id) {
    return Find(m_texts, id);
}

int CFakeDialogWindow::MessageBox(const CString& text, UINT type) {
    m_messages.push_back({text, type});
    return IDOK;
}

void CFakeDialogWindow::EndDialog(int result) {
    m_bEnded = true;
    m_nResult = result;
}

std::vector<CString> CFakeDialogWindow::TakeMessages() {
    std::vector<CString> texts;
    for (const FakeMessage& m : m_messages) {
        texts.push_back(m.text);
    }
    m_messages.clear();
    return texts;
}

int CFakeRunner::RunModal(CDialog& dialog) {
    m_pWindow = std::make_unique<CFakeDialogWindow>(dialog.GetTemplate());
    CFakeDialogWindow& window = *m_pWindow;
    if (m_beforeInit) {
        m_beforeInit(window);
    }
    dialog.Attach(&window);
    dialog.OnInitDialog();
    m_initMessages = window.m_messages;
    window.m_messages.clear();
    if (m_script && !window.m_bEnded) {
        m_script(window, dialog);
    }
    if (!window.m_bEnded) {
        dialog.OnCommand(IDCANCEL);
    }
    dialog.OnDestroy();
    dialog.Attach(nullptr);
    return window.m_nResult;
}
