// win32_dialog_window.cpp - running a CDialog in a native dialog box.
#include "dialog/win32_dialog_window.h"

#include "dialog/win32_controls.h"

int CWin32DialogWindow::RunModal(void* module) {
    // However the run ends, the dialog is left without a window.
    struct Detach {
        CDialog& dialog;
        ~Detach() { dialog.Attach(nullptr); }
    } detach{m_Dialog};
    return win32ui::RunDialogBox(module, m_Dialog.GetTemplate().id, *this);
}

bool CWin32DialogWindow::OnInitDialog(win32ui::Window dialog) {
    m_hWnd = dialog;
    m_Dialog.Attach(this);
    return m_Dialog.OnInitDialog() != FALSE;
}

void CWin32DialogWindow::OnCommand(int id) {
    m_Dialog.OnCommand(id);
}

void CWin32DialogWindow::OnTreeSelChanged(int id, long& result) {
    m_Dialog.OnNotify(id, TVN_SELCHANGED, result);
}

void CWin32DialogWindow::OnDestroy() {
    m_Dialog.OnDestroy();
    m_Dialog.Attach(nullptr);
    m_Controls.clear();
    m_hWnd = nullptr;
}

CWin32DialogWindow::Control* CWin32DialogWindow::Find(int id) {
    if (auto it = m_Controls.find(id); it != m_Controls.end()) {
        return &it->second;
    }
    win32ui::Window window = m_hWnd != nullptr ? win32ui::DialogItem(m_hWnd, id) : nullptr;
    if (window == nullptr) {
        return nullptr;
    }
    Control control;
    control.text = std::make_unique<CWin32WindowText>(window);
    switch (win32ui::ClassOf(window)) {
        case win32ui::ControlClass::PushButton:
            control.button = std::make_unique<CWin32Button>(window);
            break;
        case win32ui::ControlClass::CheckBox:
            control.checkBox = std::make_unique<CWin32CheckBox>(window);
            break;
        case win32ui::ControlClass::ComboBox:
            control.comboBox = std::make_unique<CWin32ComboBox>(window);
            break;
        case win32ui::ControlClass::ListBox:
            control.listBox = std::make_unique<CWin32ListBox>(window);
            break;
        case win32ui::ControlClass::TreeView:
            control.treeCtrl = std::make_unique<CWin32TreeCtrl>(window);
            break;
        default:
            break;
    }
    return &m_Controls.emplace(id, std::move(control)).first->second;
}

IButton* CWin32DialogWindow::GetButton(int id) {
    Control* control = Find(id);
    return control != nullptr ? control->button.get() : nullptr;
}

ICheckBox* CWin32DialogWindow::GetCheckBox(int id) {
    Control* control = Find(id);
    return control != nullptr ? control->checkBox.get() : nullptr;
}

IComboBox* CWin32DialogWindow::GetComboBox(int id) {
    Control* control = Find(id);
    return control != nullptr ? control->comboBox.get() : nullptr;
}

IListBox* CWin32DialogWindow::GetListBox(int id) {
    Control* control = Find(id);
    return control != nullptr ? control->listBox.get() : nullptr;
}

ITreeCtrl* CWin32DialogWindow::GetTreeCtrl(int id) {
    Control* control = Find(id);
    return control != nullptr ? control->treeCtrl.get() : nullptr;
}

IWindowText* CWin32DialogWindow::GetTextControl(int id) {
    Control* control = Find(id);
    return control != nullptr ? control->text.get() : nullptr;
}

int CWin32DialogWindow::MessageBox(const CString& text, UINT type) {
    // The logic's MB_ flags are the system's.
    return win32ui::ShowMessageBox(m_hWnd, text, type);
}

void CWin32DialogWindow::EndDialog(int result) {
    if (m_hWnd != nullptr) {
        win32ui::EndDialog(m_hWnd, result);
    }
}

int CWin32ModalRunner::RunModal(CDialog& dialog) {
    CWin32DialogWindow window(dialog);
    return window.RunModal(m_hModule);
}
