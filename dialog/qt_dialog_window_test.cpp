// qt_dialog_window_test.cpp - the Qt window built from dialog template 8000: what it shows, its Tab
// order, data exchange with its controls, how clicks and keys reach the dialog's logic; and the
// editor opened as the host's export opens it, in an application object of its own, and refused
// without a display. (Clicked through on a real packet: the edit command's test.)
#include "dialog/qt_dialog_window.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdlib>

#include "dialog/qt_controls.h"
#include "dialog/qt_test_support.h"
#include "dialog/rules_dialog_runner.h"
#include "dialog/rules_dialog_template.h"
#include "dialog/test_editor_scene.h"

namespace {

// A dialog on the editor's template that records what reaches it.
class CProbeDialog final : public CDialog {
  public:
    CProbeDialog() : CDialog(RulesDialogTemplate()) {}
    bool OnCommand(int id) override {
        commands.push_back(id);
        if (id == IDC_REMOVE) {
            throw std::bad_alloc();
        }
        return CDialog::OnCommand(id);
    }
    void DoDataExchange(CDataExchange& dx) override {
        DDX_CBString(dx, IDC_ACTION, action);
        DDX_Check(dx, IDC_VALIDATION, check);
    }
    std::vector<int> commands;
    CString action = u"doesn";
    int check = 1;
};

template <class Widget>
Widget* Control(QWidget* window, int id) {
    return window->findChild<Widget*>(ControlObjectName(id));
}

int IdOf(const QWidget* widget) {
    while (widget != nullptr && !widget->property(kControlIdProperty).isValid()) {
        widget = widget->parentWidget();
    }
    return widget == nullptr ? 0 : widget->property(kControlIdProperty).toInt();
}

int RunWith(CDialog& dialog, const std::function<void(QDialog*)>& action) {
    TestApplication();
    CModalScript script(action);
    CQtModalRunner runner;
    const int result = dialog.DoModal(runner);
    EXPECT_TRUE(script.Ran());
    return result;
}

TEST(QtDialogWindow, ShowsTheTemplateInTabOrderAndExchangesData) {
    CProbeDialog dialog;
    RunWith(dialog, [&](QDialog* window) {
        const DialogBaseUnits base = static_cast<CQtDialogWindow*>(window)->BaseUnits();
        EXPECT_EQ(window->windowTitle(), QStringLiteral("Metadata Actions"));
        EXPECT_EQ(window->size(),
                  QSize(HorizontalDluToPixels(345, base), VerticalDluToPixels(278, base)));
        std::vector<int> tabStops;
        for (const DialogControl& c : RulesDialogTemplate().controls) {
            QWidget* w = c.id == kIdStatic ? nullptr : Control<QWidget>(window, c.id);
            const PixelRect r = DluRectToPixels(c.x, c.y, c.cx, c.cy, base);
            EXPECT_TRUE(c.id == kIdStatic ||
                        (w != nullptr && w->geometry().topLeft() == QPoint(r.x, r.y) &&
                         w->width() == r.width))
                << c.id;
            if ((c.style & kTabStop) != 0) {
                tabStops.push_back(c.id);
            }
        }
        // Opened with the first tab stop focused; Tab follows the template, and round again.
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        tabStops.push_back(tabStops.front());
        for (const int id : tabStops) {
            EXPECT_EQ(IdOf(QApplication::focusWidget()), id);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        // Towards the controls the combo box selects the first item the text begins, ignoring
        // case, or else shows the text as typed; back, it gives what its field holds.
        auto* combo = Control<QComboBox>(window, IDC_ACTION);
        EXPECT_EQ(combo->currentText(), QStringLiteral("Doesn't Contain"));
        EXPECT_TRUE(Control<QCheckBox>(window, IDC_VALIDATION)->isChecked());
        dialog.action = u"Gamma";
        dialog.UpdateData(FALSE);
        EXPECT_EQ(dialog.GetWindow()->GetComboBox(IDC_ACTION)->GetCurSel(), LB_ERR);
        combo->setCurrentIndex(1);
        dialog.check = 0;
        Control<QCheckBox>(window, IDC_VALIDATION)->setChecked(true);
        dialog.UpdateData(TRUE);
        EXPECT_EQ(dialog.action, CString(u"Equals"));
        EXPECT_EQ(dialog.check, 1);
        window->reject();
    });
}

TEST(QtDialogWindow, ClicksAndKeysReachTheLogicAndAFailingHandlerEndsTheRun) {
    CProbeDialog dialog;
    EXPECT_EQ(RunWith(dialog,
                      [](QDialog* window) {
                          QTest::mouseClick(Control<QPushButton>(window, IDC_ADD), Qt::LeftButton);
                          QTest::keyClick(window, Qt::Key_Escape);
                      }),
              IDCANCEL);
    EXPECT_EQ(RunWith(dialog,
                      [](QDialog* window) {
                          // Focus moves only in the active window, which a loaded machine
                          // may not have made it yet.
                          window->activateWindow();
                          EXPECT_TRUE(QTest::qWaitForWindowActive(window));
                          Control<QWidget>(window, IDC_PARAMETERS)->setFocus();
                          QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);  // OK
                      }),
              IDOK);
    // The exception comes out once the window has gone; the dialog can run again.
    EXPECT_THROW(RunWith(dialog,
                         [](QDialog* window) {
                             QTest::mouseClick(Control<QPushButton>(window, IDC_REMOVE),
                                               Qt::LeftButton);
                         }),
                 std::bad_alloc);
    EXPECT_EQ(dialog.GetWindow(), nullptr);
    EXPECT_EQ(RunWith(dialog, [](QDialog* window) { window->reject(); }), IDCANCEL);
    EXPECT_EQ(dialog.commands, (std::vector<int>{IDC_ADD, IDCANCEL, IDOK, IDC_REMOVE, IDCANCEL}));
}

// Each case runs in a fresh process (the threadsafe death-test style runs the test binary again),
// so no application object exists there whatever ran before.
class RulesDialogDeathTest : public ::testing::Test {
  protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
    // Opens the editor with the display variables set as given; 0 when it came back with the
    // rules unchanged and no application object left.
    static int Open(const std::vector<std::pair<const char*, const char*>>& env) {
        for (const char* name :
             {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE"}) {
            unsetenv(name);
        }
        for (const auto& [name, value] : env) {
            setenv(name, value, 1);
        }
        CTestScene scene;
        scene.AddSource(u"src", u"News", "<a xmlns:nw='news/'/>")
            ->SetRulesXML(
                u"<Pavex-MetaData-Rules><DataPush tag=\"news/:t\"/></Pavex-MetaData-Rules>", 0);
        RunRulesDialog(&scene, u"src");
        return scene.FindMetaDataSource(u"src")->GetStoredRules().GetSize() == 1 &&
                       QCoreApplication::instance() == nullptr
                   ? 0
                   : 1;
    }
};

TEST_F(RulesDialogDeathTest, MakesAnApplicationForTheCallWhenTheHostHasNone) {
    // The editor's application object is its own: close its dialog from inside it.
    EXPECT_EXIT(
        {
            qAddPreRoutine([] {
                auto* poll = new QTimer(qApp);
                QObject::connect(poll, &QTimer::timeout, [] {
                    if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                        std::fprintf(stderr, "editor open\n");
                        QTest::keyClick(dialog, Qt::Key_Escape);
                    }
                });
                poll->start(10);
            });
            std::exit(Open({{"QT_QPA_PLATFORM", "offscreen"}}));
        },
        testing::ExitedWithCode(0), "editor open");
}

TEST_F(RulesDialogDeathTest, RefusesWithOneLineWithoutADisplayOrWithUnreachableServers) {
    for (const auto& env : std::vector<std::vector<std::pair<const char*, const char*>>>{
             {},
             {{"QT_QPA_PLATFORM", "xcb"}, {"DISPLAY", ":4242"}},
             {{"XDG_SESSION_TYPE", "wayland"},
              {"WAYLAND_DISPLAY", "w-4242"},
              {"XDG_RUNTIME_DIR", "/no"}}}) {
        EXPECT_EXIT(
            std::exit(Open(env)), testing::ExitedWithCode(0),
            "^olvane: the rules editor cannot open: no display \\([^\n]*\\); set DISPLAY, or "
            "QT_QPA_PLATFORM=offscreen to run without one\n$");
    }
}

}  // namespace
