// atomic_write_test.cpp - replacing files whole or not at all.
#include "atomic_write.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "tests/support/test_support.h"

namespace olvane_host {
namespace {

TEST(AtomicWrite, ReplacesWholeKeepingModeAndLinksAndRefusesWhatIsNoFile) {
    olvane_test::TempDir dir;
    const std::string path = dir / "rules.xml";
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(path, "first", error)) << error;
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(WriteFileAtomically(path, std::string("second\0bytes", 12), error)) << error;
    EXPECT_EQ(olvane_test::ReadFile(path), std::string("second\0bytes", 12));
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    // Through a link the linked file is replaced and the link stays a link.
    std::filesystem::create_symlink(path, dir / "link.xml");
    ASSERT_TRUE(WriteFileAtomically(dir / "link.xml", "third", error)) << error;
    EXPECT_EQ(olvane_test::ReadFile(path), "third");
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.xml"));

    std::filesystem::create_directory(dir / "sub");
    EXPECT_FALSE(WriteFileAtomically(dir / "sub", "x", error));
    EXPECT_EQ(error, "not a regular file");
    EXPECT_FALSE(WriteFileAtomically(dir / "none/rules.xml", "x", error));
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}),
              3);  // no leftovers
}

}  // namespace
}  // namespace olvane_host
