// test_main.cpp - the main of every test binary; fails any test that leaves a zev object alive.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/byte_sink.h"
#include "tests/support/test_support.h"
#include "zev/registry.h"
#include "zev/reports.h"

namespace {

// The dangling-object report as UTF-8 text.
std::string DanglingObjectReport() {
    MemoryByteSink sink;
    zev::ReportDanglingObjects(&sink);
    return olvane_test::Utf16LeToUtf8(sink.bytes());
}

// Compares the registry before and after each test, so that one leak fails one test.
class ZevLeakCheck : public ::testing::EmptyTestEventListener {
  public:
    void OnTestStart(const ::testing::TestInfo&) override {
        m_before = zev::GetRegisteredObjectCount();
    }
    void OnTestEnd(const ::testing::TestInfo&) override {
        const size_t after = zev::GetRegisteredObjectCount();
        if (after > m_before) {
            ADD_FAILURE() << (after - m_before) << " zev object(s) left alive by this test:\n"
                          << DanglingObjectReport();
        }
    }

  private:
    size_t m_before = 0;
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Appended after the default printer: end-of-test events run in reverse order, so the check
    // reports its failure before the printer prints the test's verdict.
    ::testing::UnitTest::GetInstance()->listeners().Append(new ZevLeakCheck);
    int result = RUN_ALL_TESTS();
    if (zev::GetRegisteredObjectCount() != 0) {
        std::printf("zev objects still alive after the suite:\n%s", DanglingObjectReport().c_str());
        result = 1;
    }
    return result;
}
