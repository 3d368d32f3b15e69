// edit_test.cpp - the edit command with the plug-in's real editor, answered from the test.
//
// The editor runs modally inside the host's process, so the test runs the program's edit command
// in its own process and answers the dialog from a timer of the same Qt event loop.
#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>

#include "run.h"

namespace {

const std::string kSamples = OLVANE_HOST_SAMPLES;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

QApplication& Application() {
    static int argc = 1;
    static char name[] = "olvane_host_e2e_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

template <typename W>
W* Control(QDialog& dialog, int id) {
    return dialog.findChild<W*>(QStringLiteral("control%1").arg(id));
}

class EditCommand : public testing::Test {
  protected:
    void SetUp() override {
        Application();
        char name[] = "/tmp/olvane-host-edit-XXXXXX";
        ASSERT_NE(::mkdtemp(name), nullptr);
        m_dir = name;
        m_rules = m_dir + "/rules.xml";
        // The sample's first three rules: two pushes and a validation check.
        std::istringstream sample(ReadAll(kSamples + "/rules.xml"));
        std::string text;
        std::string line;
        for (int i = 0; i < 5 && std::getline(sample, line); ++i) {
            text += line + "\n";
        }
        std::ofstream(m_rules, std::ios::binary) << text << "</Pavex-MetaData-Rules>\n";
    }
    void TearDown() override { std::system(("rm -rf '" + m_dir + "'").c_str()); }

    // Runs "edit" on the sample packet; answer gets the editor once it shows and must close it.
    int Edit(const std::function<void(QDialog&)>& answer) {
        bool answered = false;
        QTimer poll;
        poll.setInterval(20);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr || dialog->objectName() != "dialog8000" || answered) {
                return;
            }
            answered = true;
            poll.stop();
            answer(*dialog);
            if (dialog->isVisible()) {
                ADD_FAILURE() << "the answer left the editor open";
                dialog->reject();
            }
        });
        poll.start();
        std::ostringstream out;
        std::ostringstream err;
        olvane_host::Io io{out, err, false};
        const int status = olvane_host::Run(
            {"--plugin", OLVANE_PLUGIN_PATH, "edit", "--rules", m_rules, "--template",
             "title=Title", "--template", "tool=Tool", kSamples + "/harbour.jpg"},
            io);
        m_out = out.str();
        m_err = err.str();
        EXPECT_TRUE(answered) << "the editor never showed: " << m_err;
        return status;
    }

    // Selects the first rule and presses Remove.
    static void RemoveFirstRule(QDialog& dialog) {
        auto* rules = Control<QListWidget>(dialog, 8002);
        ASSERT_NE(rules, nullptr);
        ASSERT_EQ(rules->count(), 3);
        rules->setCurrentRow(0);
        Control<QPushButton>(dialog, 8006)->click();
        ASSERT_EQ(rules->count(), 2);
    }

    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        DIR* d = ::opendir(m_dir.c_str());
        while (dirent* e = ::readdir(d)) {
            if (e->d_name[0] != '.') {
                names.push_back(e->d_name);
            }
        }
        ::closedir(d);
        return names;
    }

    std::string m_dir;
    std::string m_rules;
    std::string m_out;
    std::string m_err;
};

TEST_F(EditCommand, OkSavesTheEditedRules) {
    const std::string before = ReadAll(m_rules);
    const int status = Edit([](QDialog& dialog) {
        RemoveFirstRule(dialog);
        // A tag row: the first child of a namespace row; a value that needs escaping.
        auto* tree = Control<QTreeWidget>(dialog, 8009);
        ASSERT_NE(tree, nullptr);
        ASSERT_GT(tree->topLevelItemCount(), 0);
        tree->setCurrentItem(tree->topLevelItem(0)->child(0));
        Control<QComboBox>(dialog, 8007)->setCurrentText("Equals");
        Control<QLineEdit>(dialog, 8008)->setText("a & <b>");
        Control<QPushButton>(dialog, 8003)->click();  // Add
        Control<QPushButton>(dialog, 1)->click();     // OK
    });
    EXPECT_EQ(status, 0) << m_err;
    EXPECT_EQ(m_out, m_rules + ": saved 3 rules\n");
    const std::string after = ReadAll(m_rules);
    EXPECT_EQ(Count(before, "<Data"), 3u);
    EXPECT_EQ(Count(after, "<Data"), 3u);
    // The first rule (the push into title) is the one gone; the second push is still there.
    EXPECT_EQ(Count(after, "to=\"title\""), Count(before, "to=\"title\"") - 1);
    EXPECT_NE(after.find("CreatorTool\"     to=\"tool\""), std::string::npos) << after;
    EXPECT_NE(after.find("to=\"a &amp; &lt;b>\""), std::string::npos) << after;
    EXPECT_EQ(Entries(), std::vector<std::string>{"rules.xml"});
}

TEST_F(EditCommand, CancelLeavesTheFileUntouched) {
    const std::string before = ReadAll(m_rules);
    struct stat old {};
    ASSERT_EQ(::stat(m_rules.c_str(), &old), 0);
    const int status = Edit([](QDialog& dialog) {
        RemoveFirstRule(dialog);
        dialog.reject();  // Esc or the close box
    });
    EXPECT_EQ(status, 0) << m_err;
    EXPECT_EQ(m_out, m_rules + ": unchanged\n");
    struct stat now {};
    ASSERT_EQ(::stat(m_rules.c_str(), &now), 0);
    EXPECT_EQ(now.st_ino, old.st_ino);
    EXPECT_EQ(ReadAll(m_rules), before);
}

TEST_F(EditCommand, AFailedWriteKeepsTheOldFile) {
    const std::string before = ReadAll(m_rules);
    // A file size limit makes the save fail even for root, who ignores permissions.
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 16;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const int status = Edit([](QDialog& dialog) {
        RemoveFirstRule(dialog);
        Control<QPushButton>(dialog, 1)->click();
    });
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(status, 3);
    EXPECT_NE(m_err.find("olvane-host: " + m_rules + ": cannot write"), std::string::npos) << m_err;
    EXPECT_EQ(ReadAll(m_rules), before);
    EXPECT_EQ(Entries(), std::vector<std::string>{"rules.xml"});
}

}  // namespace
