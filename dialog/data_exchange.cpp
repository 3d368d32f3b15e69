// data_exchange.cpp - the DDX functions.
#include "dialog/data_exchange.h"

#include <string_view>

void DDX_Control(CDataExchange& dx, int id, IButton*& control) {
    control = dx.m_pWindow != nullptr ? dx.m_pWindow->GetButton(id) : nullptr;
}

void DDX_Control(CDataExchange& dx, int id, IListBox*& control) {
    control = dx.m_pWindow != nullptr ? dx.m_pWindow->GetListBox(id) : nullptr;
}

void DDX_Control(CDataExchange& dx, int id, ITreeCtrl*& control) {
    control = dx.m_pWindow != nullptr ? dx.m_pWindow->GetTreeCtrl(id) : nullptr;
}

void DDX_Text(CDataExchange& dx, int id, CString& value) {
    IWindowText* control = dx.m_pWindow != nullptr ? dx.m_pWindow->GetTextControl(id) : nullptr;
    if (control == nullptr) {
        return;
    }
    if (dx.m_bSaveAndValidate) {
        value = control->GetWindowText();
    } else {
        control->SetWindowText(value);
    }
}

void DDX_Check(CDataExchange& dx, int id, int& value) {
    ICheckBox* control = dx.m_pWindow != nullptr ? dx.m_pWindow->GetCheckBox(id) : nullptr;
    if (control == nullptr) {
        return;
    }
    if (dx.m_bSaveAndValidate) {
        value = control->GetCheck() != 0 ? 1 : 0;
    } else {
        control->SetCheck(value != 0 ? 1 : 0);
    }
}

void DDX_CBString(CDataExchange& dx, int id, CString& value) {
    IComboBox* control = dx.m_pWindow != nullptr ? dx.m_pWindow->GetComboBox(id) : nullptr;
    if (control == nullptr) {
        return;
    }
    if (dx.m_bSaveAndValidate) {
        value = control->GetWindowText();
        return;
    }
    const int count = control->GetCount();
    for (int i = 0; i < count; ++i) {
        if (StartsWithNoCase(control->GetLBText(i).view(), value.view())) {
            control->SetCurSel(i);
            return;
        }
    }
    control->SetWindowText(value);
}
