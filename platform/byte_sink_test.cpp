// byte_sink_test.cpp - the memory and file byte sinks.
#include "platform/byte_sink.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace {

TEST(ByteSink, MemoryKeepsEveryWriteInOrder) {
    CMemoryByteSink sink;
    EXPECT_EQ(sink.Write("ab", 2), S_OK);
    EXPECT_EQ(sink.Write(nullptr, 0), S_OK);
    EXPECT_EQ(sink.Write("\0c", 2), S_OK);
    EXPECT_EQ(sink.str(), std::string("ab\0c", 4));
    EXPECT_EQ(sink.Write(nullptr, 1), E_POINTER);
    sink.Clear();
    EXPECT_TRUE(sink.bytes().empty());
}

TEST(ByteSink, FileWritesWhatItIsGivenAndRefusesWhenClosed) {
    CFileByteSink sink;
    EXPECT_EQ(sink.Write("x", 1), STG_E_REVERTED);
    EXPECT_EQ(sink.Open("/nonexistent-dir/out.txt"), E_FILE_NOT_FOUND);
    EXPECT_FALSE(sink.IsOpen());

    const std::string path = ::testing::TempDir() + "byte_sink_test.bin";
    ASSERT_EQ(sink.Open(path.c_str()), S_OK);
    EXPECT_EQ(sink.Write("<a/>\r\n", 6), S_OK);
    EXPECT_EQ(sink.Write("\xff\x00", 2), S_OK);
    EXPECT_EQ(sink.Close(), S_OK);
    EXPECT_EQ(sink.Write("x", 1), STG_E_REVERTED);

    std::ifstream in(path, std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
    EXPECT_EQ(content, std::string("<a/>\r\n\xff\x00", 8));
    std::remove(path.c_str());
}

}  // namespace
