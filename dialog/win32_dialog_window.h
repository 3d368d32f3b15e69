// win32_dialog_window.h - CWin32DialogWindow: a CDialog's template run as a native dialog box,
// whose clicks, keys and notifications go to the dialog's logic; CWin32ModalRunner runs a CDialog
// in one.
#pragma once

#include <map>
#include <memory>

#include "dialog/dialog.h"
#include "dialog/dialog_controls.h"
#include "dialog/win32_ui.h"
#include "platform/cstring.h"
#include "platform/types.h"

class CWin32DialogWindow final : public IDialogWindow, private win32ui::IDialogEvents {
  public:
    explicit CWin32DialogWindow(CDialog& dialog) : m_Dialog(dialog) {}
    ~CWin32DialogWindow() override = default;
    CWin32DialogWindow(const CWin32DialogWindow&) = delete;
    CWin32DialogWindow& operator=(const CWin32DialogWindow&) = delete;

    // Runs the dialog's template, found in module, until EndDialog; returns its result, or -1
    // when no window could be made. What a handler threw comes out here, the window gone.
    int RunModal(void* module);

    IButton* GetButton(int id) override;
    ICheckBox* GetCheckBox(int id) override;
    IComboBox* GetComboBox(int id) override;
    IListBox* GetListBox(int id) override;
    ITreeCtrl* GetTreeCtrl(int id) override;
    IWindowText* GetTextControl(int id) override;
    int MessageBox(const CString& text, UINT type) override;
    void EndDialog(int result) override;

  private:
    bool OnInitDialog(win32ui::Window dialog) override;
    void OnCommand(int id) override;
    void OnTreeSelChanged(int id, long& result) override;
    void OnDestroy() override;

    // A control wrapped once, as what its window class says it is; the other members stay null.
    struct Control {
        std::unique_ptr<IWindowText> text;
        std::unique_ptr<IButton> button;
        std::unique_ptr<ICheckBox> checkBox;
        std::unique_ptr<IComboBox> comboBox;
        std::unique_ptr<IListBox> listBox;
        std::unique_ptr<ITreeCtrl> treeCtrl;
    };
    // Null when the dialog has no control with that ID.
    Control* Find(int id);

    CDialog& m_Dialog;
    win32ui::Window m_hWnd = nullptr;
    std::map<int, Control> m_Controls;
};

class CWin32ModalRunner final : public IModalRunner {
  public:
    // module: where the dialog templates are found (an HMODULE).
    explicit CWin32ModalRunner(void* module) : m_hModule(module) {}
    int RunModal(CDialog& dialog) override;

  private:
    void* m_hModule;
};
