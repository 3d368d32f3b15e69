// dialog.h - CDialog: a modal dialog's logic, built on a template and run by a toolkit's runner,
// which creates the window and delivers its messages to the handlers here.
#pragma once

#include "dialog/data_exchange.h"
#include "dialog/dialog_controls.h"
#include "dialog/dialog_template.h"
#include "platform/cstring.h"
#include "platform/types.h"

class CDialog;

// Notification codes a window delivers through OnNotify.
constexpr int TVN_SELCHANGED = 1;  // a tree control's selection changed

// What a modal run returns when it could not run at all, as the framework's DoModal does.
constexpr int kModalFailed = -1;

// Runs a dialog modally: builds the window from the dialog's template (combo boxes filled from the
// template's initialisation data), attaches it, calls OnInitDialog, delivers the messages until
// EndDialog, calls OnDestroy, detaches the window and returns EndDialog's result. Returns
// kModalFailed without calling any handler when no window can be made.
class IModalRunner {
  public:
    virtual int RunModal(CDialog& dialog) = 0;

  protected:
    ~IModalRunner() = default;
};

class CDialog {
  public:
    explicit CDialog(const DialogTemplate& dialogTemplate);
    virtual ~CDialog() = default;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // kModalFailed also when the dialog is already running.
    int DoModal(IModalRunner& runner);

    const DialogTemplate& GetTemplate() const { return m_Template; }
    IDialogWindow* GetWindow() const { return m_pWindow; }

    // The window's messages, delivered by the runner.
    void Attach(IDialogWindow* window) { m_pWindow = window; }
    // Sends the fields to the controls. TRUE: the runner gives the focus to the first control.
    virtual BOOL OnInitDialog();
    // A button click. IDOK and IDCANCEL (the Enter and Esc keys, the close box) go to OnOK and
    // OnCancel. False when nothing handles the ID.
    virtual bool OnCommand(int id);
    // A control's notification; result is the answer to the control. False when unhandled.
    virtual bool OnNotify(int id, int code, long& result);
    virtual void OnDestroy() {}

    // Controls to fields (TRUE) or fields to controls (FALSE).
    BOOL UpdateData(BOOL saveAndValidate = TRUE);
    int MessageBox(const CString& text, UINT type = MB_OK);
    void EndDialog(int result);

  protected:
    virtual void DoDataExchange(CDataExchange& dx) {}
    // Reads the controls into the fields, then ends the run with IDOK.
    virtual void OnOK();
    // Ends the run with IDCANCEL.
    virtual void OnCancel();

  private:
    const DialogTemplate& m_Template;
    IDialogWindow* m_pWindow = nullptr;
    bool m_bRunning = false;
};
