// dialog.cpp - CDialog.
#include "dialog/dialog.h"

CDialog::CDialog(const DialogTemplate& dialogTemplate) : m_Template(dialogTemplate) {}

int CDialog::DoModal(IModalRunner& runner) {
    if (m_bRunning) {
        return kModalFailed;
    }
    struct Running {
        CDialog& dialog;
        ~Running() {
            dialog.m_bRunning = false;
            dialog.m_pWindow = nullptr;
        }
    } running{*this};
    m_bRunning = true;
    return runner.RunModal(*this);
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

bool CDialog::OnCommand(int id) {
    switch (id) {
        case IDOK:
            OnOK();
            return true;
        case IDCANCEL:
            OnCancel();
            return true;
        default:
            return false;
    }
}

bool CDialog::OnNotify(int id, int code, long& result) {
    return false;
}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
    CDataExchange dx(m_pWindow, saveAndValidate != FALSE);
    DoDataExchange(dx);
    return TRUE;
}

int CDialog::MessageBox(const CString& text, UINT type) {
    return m_pWindow != nullptr ? m_pWindow->MessageBox(text, type) : 0;
}

void CDialog::EndDialog(int result) {
    if (m_pWindow != nullptr) {
        m_pWindow->EndDialog(result);
    }
}

void CDialog::OnOK() {
    UpdateData(TRUE);
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}
