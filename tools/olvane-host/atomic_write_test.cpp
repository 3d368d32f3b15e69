// atomic_write_test.cpp - replacing files whole or not at all.
#include "atomic_write.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace olvane_host {
namespace {

class AtomicWrite : public testing::Test {
  protected:
    void SetUp() override {
        char name[] = "/tmp/olvane-host-write-XXXXXX";
        ASSERT_NE(::mkdtemp(name), nullptr);
        m_dir = name;
    }
    void TearDown() override { std::system(("rm -rf '" + m_dir + "'").c_str()); }

    std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::vector<std::string> Entries() {
        std::vector<std::string> names;
        DIR* d = ::opendir(m_dir.c_str());
        while (dirent* e = ::readdir(d)) {
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") {
                names.push_back(e->d_name);
            }
        }
        ::closedir(d);
        return names;
    }

    std::string m_dir;
};

TEST_F(AtomicWrite, CreatesAndReplacesKeepingModeAndLinks) {
    const std::string path = m_dir + "/rules.xml";
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(path, "first", error)) << error;
    EXPECT_EQ(Read(path), "first");
    const mode_t mask = ::umask(0);
    ::umask(mask);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);

    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(WriteFileAtomically(path, std::string("second\0bytes", 12), error)) << error;
    EXPECT_EQ(Read(path), std::string("second\0bytes", 12));
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);

    // Through a link the linked file is replaced and the link stays a link.
    const std::string link = m_dir + "/link.xml";
    ASSERT_EQ(::symlink(path.c_str(), link.c_str()), 0);
    ASSERT_TRUE(WriteFileAtomically(link, "third", error)) << error;
    EXPECT_EQ(Read(path), "third");
    ASSERT_EQ(::lstat(link.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(Entries().size(), 2u);  // no temporary file left
}

TEST_F(AtomicWrite, RefusesWhatIsNoRegularFileOrHasNoDirectory) {
    std::string error;
    ASSERT_EQ(::mkdir((m_dir + "/sub").c_str(), 0755), 0);
    EXPECT_FALSE(WriteFileAtomically(m_dir + "/sub", "x", error));
    EXPECT_EQ(error, "not a regular file");
    EXPECT_FALSE(WriteFileAtomically(m_dir + "/none/rules.xml", "x", error));
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
    EXPECT_EQ(Entries(), std::vector<std::string>{"sub"});
}

}  // namespace
}  // namespace olvane_host
