// qt_dialog_window.h - CQtDialogWindow: a dialog template made into a Qt dialog, delivering its
// clicks and keys to a CDialog; CQtModalRunner runs a CDialog in one.
#pragma once

#include <QDialog>
#include <QFont>
#include <exception>
#include <functional>
#include <map>
#include <memory>

#include "dialog/dialog.h"
#include "dialog/dialog_template.h"
#include "dialog/dialog_units.h"
#include "dialog/qt_controls.h"

// The name and property every control widget carries, so it can be found by its ID.
inline constexpr char kControlIdProperty[] = "olvaneControlId";
QString ControlObjectName(int id);

class CQtDialogWindow final : public QDialog, public IDialogWindow {
  public:
    CQtDialogWindow(const DialogTemplate& dialogTemplate, CDialog& dialog,
                    QWidget* parent = nullptr);
    ~CQtDialogWindow() override;

    IButton* GetButton(int id) override;
    ICheckBox* GetCheckBox(int id) override;
    IComboBox* GetComboBox(int id) override;
    IListBox* GetListBox(int id) override;
    ITreeCtrl* GetTreeCtrl(int id) override;
    IWindowText* GetTextControl(int id) override;
    int MessageBox(const CString& text, UINT type) override;
    void EndDialog(int result) override;

    // Runs the window modally unless EndDialog came already; returns EndDialog's result.
    int RunModal();
    // Gives the focus to the first control that takes it with the Tab key.
    void FocusFirstTabStop();

    // What a handler threw while the window ran, if anything.
    std::exception_ptr Failure() const { return m_pException; }

    const DialogBaseUnits& BaseUnits() const { return m_BaseUnits; }
    // The template's font as the platform resolved it.
    static QFont TemplateFont(const DialogTemplate& dialogTemplate);

    // Esc, the close box and Enter go to the dialog's logic, which ends the run itself.
    void accept() override;
    void reject() override;

  private:
    QWidget* BuildControl(const DialogControl& control);
    void Place(QWidget* widget, const DialogControl& control);
    // Calls a handler of the dialog's logic.
    void Deliver(const std::function<void()>& handler);

    CDialog& m_Dialog;
    DialogBaseUnits m_BaseUnits{};
    bool m_bEnded = false;
    int m_nResult = 0;
    std::exception_ptr m_pException;

    struct Control {
        QWidget* widget = nullptr;
        std::unique_ptr<IButton> button;
        std::unique_ptr<ICheckBox> checkBox;
        std::unique_ptr<IComboBox> comboBox;
        std::unique_ptr<IListBox> listBox;
        std::unique_ptr<ITreeCtrl> treeCtrl;
        std::unique_ptr<IWindowText> text;
    };
    std::map<int, Control> m_Controls;
};

class CQtModalRunner final : public IModalRunner {
  public:
    int RunModal(CDialog& dialog) override;
};
