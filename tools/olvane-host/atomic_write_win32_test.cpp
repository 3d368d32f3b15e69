// atomic_write_win32_test.cpp - the Windows atomic write: creates, replaces whole, leaves no
// temporary file behind, and refuses a directory without touching it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "atomic_write.h"

namespace olvane_host {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(AtomicWriteWindows, CreatesReplacesAndLeavesNothingBehind) {
    const fs::path dir = fs::temp_directory_path() / "olvane-atomic-write-test";
    fs::remove_all(dir);
    fs::create_directories(dir / "sub");
    const fs::path file = dir / "r\xC3\xA9gles.xml";  // a UTF-8 name reaches the wide file API
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(file.string(), "first", error)) << error;
    EXPECT_EQ(Read(fs::u8path(file.string())), "first");
    ASSERT_TRUE(WriteFileAtomically(file.string(), std::string(100000, 'x'), error)) << error;
    EXPECT_EQ(Read(fs::u8path(file.string())), std::string(100000, 'x'));
    EXPECT_FALSE(WriteFileAtomically((dir / "sub").string(), "no", error));
    EXPECT_EQ(error, "not a regular file");
    EXPECT_FALSE(WriteFileAtomically((dir / "missing" / "x.xml").string(), "no", error));
    // The file and sub: no temporary file left.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace olvane_host
