// dialog_test.cpp - CDialog and data exchange, run against the fake window.
#include "dialog/dialog.h"

#include <gtest/gtest.h>

#include "dialog/fake_dialog_window.h"

namespace {

constexpr int kEdit = 10;
constexpr int kCheck = 11;
constexpr int kCombo = 12;

constexpr DialogControl kControls[] = {
    {IDOK, ControlKind::PushButton, u"OK", 0, 0, 10, 10, kTabStop | kDefaultButton},
    {kEdit, ControlKind::Edit, u"", 0, 0, 10, 10, kTabStop},
    {kCheck, ControlKind::CheckBox, u"Flag", 0, 0, 10, 10, kTabStop},
    {kCombo, ControlKind::ComboBox, u"", 0, 0, 10, 10, kTabStop | kDropDown},
};
constexpr const char16_t* kItems[] = {u"Alpha", u"Beta", u"beta two"};
constexpr DialogComboInit kInit[] = {{kCombo, kItems}};
constexpr DialogTemplate kTemplate = {1, u"Test", 100, 100, u"Sans", 8, 0, kControls, kInit};

class CSampleDialog final : public CDialog {
  public:
    CSampleDialog() : CDialog(kTemplate) {}
    void DoDataExchange(CDataExchange& dx) override {
        DDX_Text(dx, kEdit, m_text);
        DDX_Check(dx, kCheck, m_check);
        DDX_CBString(dx, kCombo, m_choice);
    }
    CString m_text;
    int m_check = 0;
    CString m_choice;
};

}  // namespace

TEST(DataExchange, FieldsGoToControlsAndBack) {
    CSampleDialog dialog;
    CFakeRunner runner([&](CFakeDialogWindow& window, CDialog&) {
        CFakeComboBox& combo = window.Combo(kCombo);
        // Towards the controls, the combo box selects the first item the text begins, ignoring
        // case.
        dialog.m_choice = u"BETA";
        dialog.m_text = u"typed";
        dialog.m_check = 5;
        dialog.UpdateData(FALSE);
        EXPECT_EQ(combo.GetCurSel(), 1);
        EXPECT_EQ(combo.m_text, CString(u"Beta"));
        EXPECT_EQ(window.Text(kEdit).m_text, CString(u"typed"));
        EXPECT_EQ(window.Check(kCheck).m_nCheck, 1);

        // No item matches: the text goes into the editable field as it is.
        dialog.m_choice = u"Gamma";
        dialog.UpdateData(FALSE);
        EXPECT_EQ(combo.GetCurSel(), LB_ERR);
        EXPECT_EQ(combo.m_text, CString(u"Gamma"));

        // From the controls, whatever the field holds, typed or selected.
        combo.Type(u"alpha");
        window.Check(kCheck).m_nCheck = 0;
        window.Text(kEdit).m_text = u"";
        dialog.UpdateData(TRUE);
        EXPECT_EQ(dialog.m_choice, CString(u"alpha"));
        EXPECT_EQ(dialog.m_check, 0);
        EXPECT_TRUE(dialog.m_text.IsEmpty());
        // Cancel reads nothing back.
        window.Text(kEdit).m_text = u"dropped";
        dialog.OnCommand(IDCANCEL);
    });
    EXPECT_EQ(dialog.DoModal(runner), IDCANCEL);
    EXPECT_TRUE(dialog.m_text.IsEmpty());
    EXPECT_EQ(dialog.GetWindow(), nullptr);
}

TEST(Dialog, CannotRunTwiceAtOnce) {
    CSampleDialog dialog;
    int inner = 0;
    CFakeRunner runner([&](CFakeDialogWindow&, CDialog& d) {
        CFakeRunner again;
        inner = d.DoModal(again);
    });
    EXPECT_EQ(dialog.DoModal(runner), IDCANCEL);
    EXPECT_EQ(inner, -1);
}
