// rules_dialog_widget_test.cpp - the rules editor end to end in the real Qt dialog: the operator
// clicks a tag, a template and Add, then OK or Esc; typed actions and message boxes.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "dialog/qt_dialog_window.h"
#include "dialog/qt_test_support.h"
#include "dialog/rules_dialog_runner.h"
#include "dialog/rules_dialog_template.h"
#include "dialog/test_editor_scene.h"

namespace {

template <class Widget>
Widget* Control(QDialog* dialog, int id) {
    auto* widget = dialog->findChild<Widget*>(ControlObjectName(id));
    EXPECT_NE(widget, nullptr) << id;
    return widget;
}

void ClickTag(QDialog* dialog, const QString& text) {
    auto* tree = Control<QTreeWidget>(dialog, IDC_TAGS);
    const QList<QTreeWidgetItem*> found =
        tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    ASSERT_EQ(found.size(), 1) << text.toStdString();
    ClickRow(tree, tree->indexFromItem(found.first()));
}

void ClickTemplate(QDialog* dialog, const QString& text) {
    auto* list = Control<QListWidget>(dialog, IDC_TEMPLATES);
    const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << text.toStdString();
    ClickRow(list, list->indexFromItem(found.first()));
}

// The source's rules as the host stores them.
std::u16string RulesXml(const CMetaDataSource* source) {
    BSTR xml = source->GetRulesXML();
    std::u16string text(xml, SysStringLen(xml));
    SysFreeString(xml);
    return text;
}

std::string ReadSample(const char* name) {
    std::ifstream in(std::string(OLVANE_SAMPLES_DIR) + "/" + name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void Click(QDialog* dialog, int id) {
    QTest::mouseClick(Control<QPushButton>(dialog, id), Qt::LeftButton);
}

QStringList Rows(QDialog* dialog, int id) {
    QStringList rows;
    auto* list = Control<QListWidget>(dialog, id);
    for (int i = 0; i < list->count(); ++i) {
        rows << list->item(i)->text();
    }
    return rows;
}

class RulesDialogTest : public ::testing::Test {
  protected:
    RulesDialogTest() : scene(4) {
        TestApplication();
        scene.AddDestination(u"k-headline", u"Headline");
        scene.AddDestination(u"k-ticker", u"Ticker");
        source = scene.AddSource(
            u"src", u"Evening news",
            {{u"xmlns:nw", u"news/1.0/"}, {u"nw:title", u"Evening"}, {u"nw:desk", u"City"}});
    }

    // Opens the editor as the host's export does, with script playing the operator.
    bool Open(const CString& key, std::function<void(QDialog*)> script) {
        CModalScript modal(std::move(script));
        RunRulesDialog(&scene, key);
        return modal.Ran();
    }

    CTestScene scene;
    CMetaDataSource* source = nullptr;
};

}  // namespace

// First in this file: it needs a process without an application object, and makes its own.
TEST(RulesDialogApplication, MadeForTheCallWhenTheHostHasNone) {
    if (QCoreApplication::instance() != nullptr) {
        GTEST_SKIP() << "an application object already exists";
    }
    CTestScene scene;
    scene.AddSource(u"src", u"News", {{u"xmlns:nw", u"news/1.0/"}, {u"nw:title", u"x"}});
    // The editor's own application object is the only one; close its dialog from inside it.
    static bool installed = false;
    static bool closed = false;
    installed = false;
    closed = false;
    qAddPreRoutine([] {
        if (installed) {
            return;
        }
        installed = true;
        static std::function<void()> s_poll;
        s_poll = [] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr) {
                QTimer::singleShot(10, qApp, s_poll);
                return;
            }
            closed = true;
            QTest::keyClick(dialog, Qt::Key_Escape);
        };
        QTimer::singleShot(10, qApp, s_poll);
    });
    RunRulesDialog(&scene, u"src");
    EXPECT_TRUE(installed);
    EXPECT_TRUE(closed);
    EXPECT_EQ(QCoreApplication::instance(), nullptr);
}

TEST_F(RulesDialogTest, TypedActionIsRefusedAndAddThenOkStoresTheRule) {
    CMessageBoxAnswerer answerer;
    EXPECT_TRUE(Open(u"src", [](QDialog* dialog) {
        EXPECT_EQ(Control<QLabel>(dialog, IDC_OBJECT_NAME)->text(), QStringLiteral("Evening news"));
        ClickTag(dialog, QStringLiteral("  title (Evening)"));
        ClickTemplate(dialog, QStringLiteral("Ticker"));
        // Typed action names are compared exactly.
        QLineEdit* field = Control<QComboBox>(dialog, IDC_ACTION)->lineEdit();
        field->selectAll();
        QTest::keyClicks(field, QStringLiteral("push"));
        Click(dialog, IDC_ADD);
        EXPECT_TRUE(Rows(dialog, IDC_RULES).isEmpty());
        // Chosen from the list, the same word works.
        Control<QComboBox>(dialog, IDC_ACTION)->setCurrentIndex(0);
        Click(dialog, IDC_ADD);
        EXPECT_EQ(Rows(dialog, IDC_RULES),
                  QStringList{"Data from tag \"nw:title\" to template \"Ticker\""});
        Click(dialog, IDOK);
    }));
    ASSERT_EQ(answerer.m_answered.size(), 1u);
    EXPECT_EQ(answerer.m_answered[0].text,
              QStringLiteral("Cannot Add that rule. (Not Implemented)"));
    EXPECT_EQ(answerer.m_answered[0].buttons, 1);
    ASSERT_EQ(source->m_Rules.GetSize(), 1);
    const CRule* rule = source->m_Rules[0];
    EXPECT_EQ(rule->m_nType, RuleTypePush);
    EXPECT_EQ(rule->GetArg(0), CString(u"news/1.0/:title"));
    EXPECT_EQ(rule->GetArg(1), CString(u"k-ticker"));
    EXPECT_FALSE(rule->m_bValidation);
}

TEST_F(RulesDialogTest, EscAfterAddingLeavesTheRulesAlone) {
    auto kept = std::make_unique<CRule>();
    kept->SetEqualsStr(u"news/1.0/:desk", u"City");
    CRule* stored = kept.get();
    source->m_Rules.Add(kept.release());
    const std::u16string before = RulesXml(source);

    EXPECT_TRUE(Open(u"src", [](QDialog* dialog) {
        ClickTag(dialog, QStringLiteral("  desk (City)"));
        QTest::mouseClick(Control<QWidget>(dialog, IDC_VALIDATION), Qt::LeftButton);
        ClickTemplate(dialog, QStringLiteral("Headline"));
        Click(dialog, IDC_ADD);
        // The first row is the stored rule; select and remove it, then leave with Esc.
        ClickRow(Control<QListWidget>(dialog, IDC_RULES),
                 Control<QListWidget>(dialog, IDC_RULES)->model()->index(0, 0));
        Click(dialog, IDC_REMOVE);
        EXPECT_EQ(Rows(dialog, IDC_RULES),
                  QStringList{"Data from tag \"nw:desk\" to template \"Headline\"  (Validation "
                              "Rule)"});
        QTest::keyClick(dialog, Qt::Key_Escape);
    }));
    EXPECT_EQ(RulesXml(source), before);
    ASSERT_EQ(source->m_Rules.GetSize(), 1);
    EXPECT_EQ(source->m_Rules[0], stored);
}

TEST_F(RulesDialogTest, OpeningMessages) {
    scene.AddSource(u"bare", u"Bare", {});
    {
        CMessageBoxAnswerer answerer;
        EXPECT_TRUE(Open(u"bare", [](QDialog* dialog) {
            EXPECT_EQ(Control<QTreeWidget>(dialog, IDC_TAGS)->topLevelItemCount(), 0);
            EXPECT_EQ(Rows(dialog, IDC_TEMPLATES).size(), 2);
            dialog->close();
        }));
        ASSERT_EQ(answerer.m_answered.size(), 1u);
        EXPECT_EQ(answerer.m_answered[0].text,
                  QStringLiteral("No tags are available!\nScene ID = 4\nGUID = bare"));
        EXPECT_TRUE(answerer.m_answered[0].flags & Qt::WindowStaysOnTopHint);
    }
    {
        CMessageBoxAnswerer answerer;
        EXPECT_TRUE(Open(u"k-headline", [](QDialog* dialog) {
            EXPECT_TRUE(Rows(dialog, IDC_TEMPLATES).isEmpty());
            Click(dialog, IDOK);
        }));
        ASSERT_EQ(answerer.m_answered.size(), 1u);
        EXPECT_EQ(answerer.m_answered[0].text, QStringLiteral("Scene is invalid!"));
        EXPECT_FALSE(answerer.m_answered[0].flags & Qt::WindowStaysOnTopHint);
    }
}

// The editor on a real packet, photographed. With OLVANE_EDITOR_SCREENSHOT set, the picture is
// written there (docs/editor.png is made this way).
TEST_F(RulesDialogTest, ScreenshotWithARealPacket) {
    const std::string packet = ReadSample("real_01_basic.xmp");
    ASSERT_FALSE(packet.empty());
    scene.Delete(u"src");
    scene.AddDestination(u"k-ticker", u"Lower third");
    CMetaDataSource* photo = scene.AddPacket(u"photo-7", u"Harbour at dawn", packet.c_str());
    photo->SetRulesXML(
        u"<Pavex-MetaData-Rules>"
        u"<DataPush tag=\"http://purl.org/dc/elements/1.1/:title\" to=\"k-headline\" "
        u"val=\"false\" />"
        u"<DataIsOneOf tag=\"http://ns.adobe.com/xap/1.0/:Rating\" to=\"3,4,5\" val=\"true\" />"
        u"</Pavex-MetaData-Rules>",
        0);
    ASSERT_EQ(photo->m_Rules.GetSize(), 2);

    QImage image;
    EXPECT_TRUE(Open(u"photo-7", [&](QDialog* dialog) {
        EXPECT_EQ(Control<QLabel>(dialog, IDC_OBJECT_NAME)->text(),
                  QStringLiteral("Harbour at dawn"));
        EXPECT_EQ(Rows(dialog, IDC_RULES),
                  (QStringList{"Data from tag \"dc:title\" to template \"Headline\"",
                               "Check to see if tag \"http://ns.adobe.com/xap/1.0/:Rating\" is "
                               "any of \"3,4,5\"  (Validation Rule)"}));
        ClickTag(dialog, QStringLiteral("  CreatorTool (Anchor Writer 1.0)"));
        ClickTemplate(dialog, QStringLiteral("Lower third"));
        image = dialog->grab().toImage();
        QTest::keyClick(dialog, Qt::Key_Escape);
    }));
    ASSERT_FALSE(image.isNull());
    EXPECT_GT(image.width(), 400);
    if (const char* path = std::getenv("OLVANE_EDITOR_SCREENSHOT")) {
        EXPECT_TRUE(image.save(QString::fromLocal8Bit(path)));
    }
}
