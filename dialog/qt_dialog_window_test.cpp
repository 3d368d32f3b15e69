// qt_dialog_window_test.cpp - the Qt window built from dialog template 8000: what it shows, its Tab
// order, and how its keys, buttons and message boxes reach the dialog's logic.
#include "dialog/qt_dialog_window.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "dialog/qt_controls.h"
#include "dialog/qt_test_support.h"
#include "dialog/rules_dialog_template.h"

namespace {

// A dialog on the editor's template with a recorder for what reaches it.
class CProbeDialog final : public CDialog {
  public:
    CProbeDialog() : CDialog(RulesDialogTemplate()) {}
    bool OnCommand(int id) override {
        commands.push_back(id);
        if (id == IDC_REMOVE && throwOnRemove) {
            throw std::bad_alloc();
        }
        return CDialog::OnCommand(id);
    }
    void OnDestroy() override { ++destroyed; }
    std::vector<int> commands;
    bool throwOnRemove = false;
    int destroyed = 0;
};

int ControlIdOf(const QWidget* widget) {
    for (; widget != nullptr; widget = widget->parentWidget()) {
        const QVariant id = widget->property(kControlIdProperty);
        if (id.isValid()) {
            return id.toInt();
        }
    }
    return 0;
}

// Runs the dialog in the Qt window with action once it is open; returns the run's result.
int RunWith(CDialog& dialog, std::function<void(QDialog*)> action) {
    TestApplication();
    CModalScript script(std::move(action));
    CQtModalRunner runner;
    const int result = dialog.DoModal(runner);
    EXPECT_TRUE(script.Ran());
    return result;
}

}  // namespace

TEST(QtDialogWindow, ShowsTheTemplate) {
    CProbeDialog dialog;
    const DialogTemplate& t = RulesDialogTemplate();
    RunWith(dialog, [&](QDialog* window) {
        auto* qt = static_cast<CQtDialogWindow*>(window);
        const DialogBaseUnits base = qt->BaseUnits();
        EXPECT_GT(base.cx, 3);
        EXPECT_GT(base.cy, 8);
        EXPECT_EQ(window->windowTitle(), QStringLiteral("Metadata Actions"));
        EXPECT_EQ(window->size(),
                  QSize(HorizontalDluToPixels(345, base), VerticalDluToPixels(278, base)));
        EXPECT_FALSE(window->windowFlags() & Qt::WindowContextHelpButtonHint);

        // Every control of the table, with its caption where it shows one, at its place.
        QStringList labels;
        for (QLabel* label : window->findChildren<QLabel*>()) {
            labels << label->text();
        }
        for (const DialogControl& c : t.controls) {
            const PixelRect r = DluRectToPixels(c.x, c.y, c.cx, c.cy, base);
            const QString caption = QString::fromUtf16(c.caption);
            if (c.id == kIdStatic) {
                EXPECT_TRUE(labels.contains(caption)) << caption.toStdString();
                continue;
            }
            auto* w = window->findChild<QWidget*>(ControlObjectName(c.id));
            ASSERT_NE(w, nullptr) << c.id;
            EXPECT_EQ(w->pos(), QPoint(r.x, r.y)) << c.id;
            EXPECT_EQ(w->width(), r.width) << c.id;
            if (c.kind != ControlKind::ComboBox) {
                EXPECT_EQ(w->height(), r.height) << c.id;
            }
            if (auto* b = qobject_cast<QAbstractButton*>(w)) {
                EXPECT_EQ(b->text(), caption);
            }
            if (auto* l = qobject_cast<QLabel*>(w)) {
                EXPECT_EQ(l->text(), caption);
            }
        }

        auto* ok = window->findChild<QPushButton*>(ControlObjectName(IDOK));
        EXPECT_TRUE(ok->isDefault());
        auto* combo = window->findChild<QComboBox*>(ControlObjectName(IDC_ACTION));
        EXPECT_TRUE(combo->isEditable());
        EXPECT_EQ(combo->insertPolicy(), QComboBox::NoInsert);
        QStringList items;
        for (int i = 0; i < combo->count(); ++i) {
            items << combo->itemText(i);
        }
        EXPECT_EQ(items, (QStringList{"Push", "Equals", "Not Equal", "Contains", "Doesn't Contain",
                                      "Is One Of"}));
        // The template's height is the open list's: the closed box is smaller.
        EXPECT_LT(combo->height(), VerticalDluToPixels(226, base));
        auto* tree = window->findChild<QTreeWidget*>(ControlObjectName(IDC_TAGS));
        EXPECT_FALSE(tree->rootIsDecorated());
        window->reject();
    });
}

TEST(QtDialogWindow, TabFollowsTheTemplate) {
    CProbeDialog dialog;
    RunWith(dialog, [&](QDialog* window) {
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        std::vector<int> expected;
        for (const DialogControl& c : RulesDialogTemplate().controls) {
            if ((c.style & kTabStop) != 0) {
                expected.push_back(c.id);
            }
        }
        // The dialog opened with the first of them focused.
        std::vector<int> seen{ControlIdOf(QApplication::focusWidget())};
        for (size_t i = 1; i < expected.size() + 1; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            seen.push_back(ControlIdOf(QApplication::focusWidget()));
        }
        expected.push_back(expected.front());  // and round again
        EXPECT_EQ(seen, expected);
        window->reject();
    });
}

TEST(QtDialogWindow, KeysAndButtonsReachTheLogic) {
    CProbeDialog cancelled;
    EXPECT_EQ(RunWith(cancelled,
                      [](QDialog* window) {
                          QTest::mouseClick(
                              window->findChild<QPushButton*>(ControlObjectName(IDC_ADD)),
                              Qt::LeftButton);
                          QTest::keyClick(window, Qt::Key_Escape);
                      }),
              IDCANCEL);
    EXPECT_EQ(cancelled.commands, (std::vector<int>{IDC_ADD, IDCANCEL}));
    // Enter in the Parameters field presses the default button, OK.
    CProbeDialog accepted;
    EXPECT_EQ(RunWith(accepted,
                      [](QDialog* window) {
                          auto* edit =
                              window->findChild<QWidget*>(ControlObjectName(IDC_PARAMETERS));
                          edit->setFocus();
                          QTest::keyClick(edit, Qt::Key_Return);
                      }),
              IDOK);
    EXPECT_EQ(accepted.commands, std::vector<int>{IDOK});
}

TEST(QtDialogWindow, RulesListScrollsSidewaysOnlyToItsExtentAndSettles) {
    CProbeDialog dialog;
    RunWith(dialog, [&](QDialog* window) {
        IListBox* list = dialog.GetWindow()->GetListBox(IDC_RULES);
        auto* view = window->findChild<QListWidget*>(ControlObjectName(IDC_RULES));
        list->AddString(FromQString(QString(400, QLatin1Char('m'))));
        QApplication::processEvents();
        // A row wider than the list does not by itself make it scroll.
        EXPECT_EQ(view->horizontalScrollBar()->maximum(), 0);
        EXPECT_GT(list->GetTextExtent(u"mm"), list->GetTextExtent(u"m"));
        // Enough rows for a vertical bar and an extent past the viewport: showing one bar
        // narrows the viewport, which must not send the view into a layout loop.
        for (int i = 0; i < 40; ++i) {
            list->AddString(FromQString(QString(60, QLatin1Char('w'))));
        }
        list->SetHorizontalExtent(view->width() + 40);
        QApplication::processEvents();
        EXPECT_EQ(list->GetHorizontalExtent(), view->width() + 40);
        EXPECT_TRUE(view->verticalScrollBar()->isVisible());
        EXPECT_EQ(view->horizontalScrollBar()->maximum(),
                  list->GetHorizontalExtent() - view->viewport()->width());
        window->reject();
    });
}

TEST(QtDialogWindow, TheWidestExtentIsTheWidestMeasuredOneByOne) {
    TestApplication();
    ExtentListWidget widget(nullptr);
    CQtListBox list(&widget);
    std::mt19937 rng(2000);
    const std::u16string pieces[] = {u"value ",         u"AVAWAT ", u"fi fl ffi ",
                                     u"\u00e9t\u00e9 ", u"1234, ",  u"Wy.To "};
    // Texts measured one by one, whose widest the shortcut must find: runs of kerned pairs,
    // ligatures, accents; some alike to a character, some not Latin or holding a tab.
    for (int round = 0; round < 6; ++round) {
        std::vector<CString> texts;
        for (int i = 0; i < 300; ++i) {
            std::u16string text;
            const size_t length = 200 + rng() % (round % 2 == 0 ? 1000 : 10);
            while (text.size() < length) {
                text += pieces[rng() % 6];
            }
            if (i % 97 == 5) {
                text += round < 3 ? u"\t\t\tx"
                                  : u"\u05e9\u05dc\u05d5\u05dd \u0645\u0631\u062d\u0628\u0627";
            }
            texts.emplace_back(text);
        }
        int widest = 0;
        for (const CString& text : texts) {
            widest = std::max(widest, list.GetTextExtent(text));
        }
        EXPECT_EQ(list.GetWidestTextExtent(texts), widest) << round;
    }
    EXPECT_EQ(list.GetWidestTextExtent({}), 0);
}

TEST(QtDialogWindow, AFailingHandlerEndsTheRunAndItsExceptionComesOut) {
    CProbeDialog dialog;
    dialog.throwOnRemove = true;
    TestApplication();
    CModalScript script([](QDialog* window) {
        QTest::mouseClick(window->findChild<QPushButton*>(ControlObjectName(IDC_REMOVE)),
                          Qt::LeftButton);
    });
    CQtModalRunner runner;
    EXPECT_THROW(dialog.DoModal(runner), std::bad_alloc);
    EXPECT_TRUE(script.Ran());
    EXPECT_EQ(dialog.destroyed, 1);
    EXPECT_EQ(dialog.GetWindow(), nullptr);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    // And it can run again.
    dialog.throwOnRemove = false;
    EXPECT_EQ(RunWith(dialog, [](QDialog* window) { window->reject(); }), IDCANCEL);
}
