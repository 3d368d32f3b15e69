// byte_sink_test.cpp - the file byte sink.
#include "platform/byte_sink.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace {

TEST(ByteSink, FileWritesWhatItIsGivenAndRefusesWhenClosed) {
    CFileByteSink sink;
    EXPECT_EQ(sink.Write("x", 1), STG_E_REVERTED);
    EXPECT_EQ(sink.Open("/nonexistent-dir/out.txt"), E_FILE_NOT_FOUND);
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
    CMemoryByteSink memory;
    EXPECT_EQ(memory.Write(nullptr, 1), E_POINTER);
}

}  // namespace
