// edit_test.cpp - the edit command with the plug-in's real editor, answered from the test: the
// editor runs modally inside the program, here the test's own process, and is answered from a
// timer of the same Qt event loop. With OLVANE_EDITOR_SCREENSHOT set, the editor is photographed
// there before OK (docs/editor.png is made this way).
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sstream>

#include <unistd.h>

#include "run.h"
#include "tests/support/test_support.h"

namespace {

using olvane_test::ReadFile;

template <typename W>
W* Control(QDialog& dialog, int id) {
    return dialog.findChild<W*>(QStringLiteral("control%1").arg(id));
}

class EditCommand : public testing::Test {
  protected:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "olvane_host_edit_test";
        static char* argv[] = {name, nullptr};
        static QApplication* app = new QApplication(argc, argv);
        static_cast<void>(app);
        // Two pushes and a validation check, the sample's first three rules.
        std::istringstream sample(ReadFile(OLVANE_HOST_SAMPLES "/rules.xml"));
        std::string line;
        for (int i = 0; i < 5 && std::getline(sample, line); ++i) {
            before += line + "\n";
        }
        before += "</Pavex-MetaData-Rules>\n";
        olvane_test::WriteFile(rules, before);
    }

    // Runs "edit" on the sample packet: removes the first rule, then answer finishes the edit.
    int Edit(const std::function<void(QDialog&)>& answer) {
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (dialog != nullptr && dialog->objectName() == "dialog8000") {
                poll.stop();
                Control<QListWidget>(*dialog, 8002)->setCurrentRow(0);
                Control<QPushButton>(*dialog, 8006)->click();  // Remove
                answer(*dialog);
            }
        });
        poll.start(20);
        std::ostringstream out;
        std::ostringstream err;
        olvane_host::Io io{out, err, false};
        // An editor that never shows or never closes would hold the test past any ctest timeout;
        // SIGALRM ends the process instead (its default action), which ctest reports as a failure.
        alarm(60);
        const int status = olvane_host::Run(
            {"--plugin", OLVANE_PLUGIN_PATH, "edit", "--rules", rules, "--template", "title=Title",
             "--template", "tool=Tool", OLVANE_HOST_SAMPLES "/harbour.jpg"},
            io);
        alarm(0);
        EXPECT_FALSE(poll.isActive()) << "the editor never showed: " << err.str();
        output = out.str() + err.str();
        return status;
    }

    olvane_test::TempDir dir;
    std::string rules = dir / "rules.xml";
    std::string before;
    std::string output;
};

TEST_F(EditCommand, OkSavesTheEditedRulesAndCancelLeavesThemAlone) {
    EXPECT_EQ(Edit([](QDialog& dialog) {
                  // The two templates are offered as destinations; the packet's source is not.
                  EXPECT_EQ(Control<QListWidget>(dialog, 8005)->count(), 2);
                  dialog.reject();  // Esc or the close box
              }),
              0);
    EXPECT_EQ(output, rules + ": unchanged\n");
    EXPECT_EQ(ReadFile(rules), before);

    EXPECT_EQ(Edit([](QDialog& dialog) {
                  auto* tree = Control<QTreeWidget>(dialog, 8009);
                  tree->setCurrentItem(tree->topLevelItem(0)->child(0));  // a tag row
                  Control<QComboBox>(dialog, 8007)->setCurrentText("Equals");
                  Control<QLineEdit>(dialog, 8008)->setText("a & <b>");
                  Control<QPushButton>(dialog, 8003)->click();  // Add
                  if (const char* path = std::getenv("OLVANE_EDITOR_SCREENSHOT")) {
                      EXPECT_TRUE(dialog.grab().save(QString::fromLocal8Bit(path)));
                  }
                  Control<QPushButton>(dialog, 1)->click();  // OK
              }),
              0);
    EXPECT_EQ(output, rules + ": saved 3 rules\n");
    const std::string after = ReadFile(rules);
    // The first rule, the push into title, is gone; the second push stays.
    EXPECT_EQ(after.find("to=\"title\""), std::string::npos) << after;
    EXPECT_NE(after.find("CreatorTool\"     to=\"tool\""), std::string::npos) << after;
    EXPECT_NE(after.find("to=\"a &amp; &lt;b>\""), std::string::npos) << after;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

}  // namespace
