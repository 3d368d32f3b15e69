// data_exchange.h - moving values between a dialog's fields and its controls, in either direction.
#pragma once

#include "dialog/dialog_controls.h"
#include "platform/cstring.h"

class CDataExchange {
  public:
    CDataExchange(IDialogWindow* window, bool saveAndValidate)
        : m_bSaveAndValidate(saveAndValidate), m_pWindow(window) {}

    bool m_bSaveAndValidate;  // true: controls to fields; false: fields to controls
    IDialogWindow* m_pWindow;
};

// Binds a field to the control with the ID (null when there is none of that kind).
void DDX_Control(CDataExchange& dx, int id, IButton*& control);
void DDX_Control(CDataExchange& dx, int id, IListBox*& control);
void DDX_Control(CDataExchange& dx, int id, ITreeCtrl*& control);

// The window text of a static text or an edit.
void DDX_Text(CDataExchange& dx, int id, CString& value);
// A check box's state, 0 or 1.
void DDX_Check(CDataExchange& dx, int id, int& value);
// A combo box's text. Towards the control, the first item that starts with value (ignoring case)
// is selected; when none does, value is put into the editable field as it is. From the control,
// value receives the field's current text, typed or selected.
void DDX_CBString(CDataExchange& dx, int id, CString& value);
