// reports_test.cpp - the exact lines of the dangling-object report and the class census.
#include "zev/reports.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "zev/element.h"

namespace zev {
namespace {

// What a report wrote (UTF-16LE, each line ending in 0A 00), as lines.
std::vector<std::string> Lines(const MemoryByteSink& sink) {
    const std::vector<uint8_t>& bytes = sink.bytes();
    std::vector<std::string> lines(1);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto c = static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
        if (c == u'\n') {
            lines.emplace_back();
        } else {
            lines.back() += WideToUtf8(std::u16string(1, c));
        }
    }
    EXPECT_EQ(lines.back(), "") << "the last line is not ended";
    lines.pop_back();
    return lines;
}

std::string ObjectLine(const void* address, const std::string& rest) {
    char head[32];
    std::snprintf(head, sizeof head, "0x%.8zx ", reinterpret_cast<size_t>(address));
    return head + rest;
}

const std::string kDashes(37, '-');

TEST(DanglingObjectReport, ListsEachObjectWithItsCountNameAndOwner) {
    const std::vector<std::string> frame = {
        "Objects    Ref Class                Name                   Owner               ",
        "---------- --- -------------------- ---------------------- --------------------"};
    MemoryByteSink sink;
    ReportDanglingObjects(&sink);
    ReportDanglingObjects(nullptr);
    EXPECT_EQ(Lines(sink),
              (std::vector<std::string>{frame[0], frame[1], kDashes, "0 dangling object(s)"}));

    auto* doc = new CElement(u"doc");
    doc->SetObjectName(u"the-document-object-with-a-long-name");
    auto* child = new CObject(doc);
    child->SetObjectName(u"kid");
    sink.Clear();
    ReportDanglingObjects(&sink);
    // Columns cut the name to 22 characters; the owner column is not cut. In address order.
    std::vector<std::string> objects = {
        ObjectLine(doc, "001 CElement             the-document-object-wi "),
        ObjectLine(child,
                   "002 CObject              kid                    "
                   "the-document-object-with-a-long-name")};
    if (static_cast<void*>(child) < static_cast<void*>(doc)) {
        std::swap(objects[0], objects[1]);
    }
    EXPECT_EQ(Lines(sink), (std::vector<std::string>{frame[0], frame[1], objects[0], objects[1],
                                                     kDashes, "2 dangling object(s)"}));
    child->Release();
    doc->Release();
}

uint32_t g_now = 0;
uint32_t FakeTick() {
    return g_now;
}

class ClassCensus : public ::testing::Test {
  protected:
    void SetUp() override {
        SetCensusTickSourceForTesting(&FakeTick);
        g_now = 1000000;
    }
    void TearDown() override { SetCensusTickSourceForTesting(nullptr); }
};

TEST_F(ClassCensus, CountsLiveInstancesAndCachesForTenSeconds) {
    CElement* elements[3] = {new CElement(u"a"), new CElement(u"b"), new CElement(u"c")};
    EXPECT_EQ(GetClassInstanceCount(u"CElement"), 3);
    EXPECT_EQ(GetClassInstanceCount(u"CObject"), -1);
    EXPECT_EQ(GetClassInstanceCount(nullptr), -1);
    auto* plain = new CObject;
    g_now += 9999;
    EXPECT_EQ(GetClassInstanceCount(u"CObject"), -1);  // still the cached census
    g_now += 1;
    EXPECT_EQ(GetClassInstanceCount(u"CObject"), 1);

    std::u16string names(1, u'x');
    GetClassNames(names);
    EXPECT_EQ(names, u"x\r\nCElement\r\nCObject");
    MemoryByteSink sink;
    ReportClassInstances(&sink);
    EXPECT_EQ(Lines(sink),
              (std::vector<std::string>{
                  "Class                Instances ", "-------------------- ----------",
                  "CElement                      3", "CObject                       1", kDashes}));
    plain->Release();
    for (CElement* e : elements) {
        e->Release();
    }
}

TEST_F(ClassCensus, TickWrapIsHarmlessAndTheFirstTenSecondsReadTheEmptyCensus) {
    g_now = 5000;  // the last rebuild counts as tick 0
    auto* e = new CElement(u"e");
    EXPECT_EQ(GetClassInstanceCount(u"CElement"), -1);
    g_now = 0xFFFFF000u;
    EXPECT_EQ(GetClassInstanceCount(u"CElement"), 1);
    e->Release();
    g_now = 0x00000100u;  // 4352 ms later, across the wrap
    EXPECT_EQ(GetClassInstanceCount(u"CElement"), 1);
    g_now = 0x00002000u;
    EXPECT_EQ(GetClassInstanceCount(u"CElement"), -1);
}

TEST(WriteReportLine, WritesUtf16LittleEndianCutAt2048Characters) {
    WriteReportLine(nullptr, u"%s", u"discarded");
    MemoryByteSink sink;
    WriteReportLine(&sink, u"%s=%d", u"\u00e9\u4e2d", 7);
    EXPECT_EQ(sink.bytes(),
              (std::vector<uint8_t>{0xE9, 0x00, 0x2D, 0x4E, '=', 0x00, '7', 0x00, 0x0A, 0x00}));
    sink.Clear();
    WriteReportLine(&sink, u"%s", std::u16string(3000, u'z').c_str());
    EXPECT_EQ(sink.bytes().size(), 2048u * 2 + 2);
}

}  // namespace
}  // namespace zev
