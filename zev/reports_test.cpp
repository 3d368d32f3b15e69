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

// Splits what a report wrote into lines, checking that each ends with 0A 00 and that no
// terminator was written.
std::vector<std::string> Lines(const CMemoryByteSink& sink) {
    const std::vector<uint8_t>& bytes = sink.bytes();
    EXPECT_EQ(bytes.size() % 2, 0u);
    EXPECT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[bytes.size() - 2], 0x0A);
    EXPECT_EQ(bytes[bytes.size() - 1], 0x00);
    std::vector<std::string> lines;
    std::u16string line;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto c = static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
        EXPECT_NE(c, 0) << "a NUL at byte " << i;
        if (c == u'\n') {
            lines.push_back(WideToUtf8(line));
            line.clear();
        } else {
            line += c;
        }
    }
    return lines;
}

std::string Dashes(size_t n) {
    return std::string(n, '-');
}

std::string Pad(const std::string& text, size_t width) {
    return text + std::string(width - text.size(), ' ');
}

const std::string kHeader = Pad("Objects", 10) + " Ref " + Pad("Class", 20) + " " +
                            Pad("Name", 22) + " " + Pad("Owner", 20);
const std::string kRule =
    Dashes(10) + " " + Dashes(3) + " " + Dashes(20) + " " + Dashes(22) + " " + Dashes(20);

std::string ObjectLine(const void* address, const char* rest) {
    char head[32];
    std::snprintf(head, sizeof head, "0x%.8zx ", reinterpret_cast<size_t>(address));
    return head + std::string(rest);
}

TEST(DanglingObjectReport, WithNothingAliveWritesOnlyTheFrame) {
    CMemoryByteSink sink;
    ReportDanglingObjects(&sink);
    EXPECT_EQ(Lines(sink),
              (std::vector<std::string>{kHeader, kRule, Dashes(37), "0 dangling object(s)"}));
    ReportDanglingObjects(nullptr);
}

TEST(DanglingObjectReport, ListsEachObjectWithItsCountNameAndOwner) {
    auto* doc = new CElement(u"doc");
    doc->SetObjectName(u"the-document-object-with-a-long-name");
    auto* child = new CObject(doc);
    child->SetObjectName(u"kid");
    CMemoryByteSink sink;
    ReportDanglingObjects(&sink);
    std::vector<std::string> expected = {kHeader, kRule};
    // In address order.
    // Columns cut the name to 22 characters; the owner column is not cut.
    const std::string docLine =
        ObjectLine(doc, ("001 " + Pad("CElement", 20) + " the-document-object-wi ").c_str());
    const std::string childLine =
        ObjectLine(child, ("002 " + Pad("CObject", 20) + " " + Pad("kid", 22) +
                           " the-document-object-with-a-long-name")
                              .c_str());
    if (static_cast<void*>(doc) < static_cast<void*>(child)) {
        expected.insert(expected.end(), {docLine, childLine});
    } else {
        expected.insert(expected.end(), {childLine, docLine});
    }
    expected.insert(expected.end(), {Dashes(37), "2 dangling object(s)"});
    EXPECT_EQ(Lines(sink), expected);
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

    std::u16string names;
    GetClassNames(names);
    EXPECT_EQ(names, u"CElement\r\nCObject");
    names.assign(1, u'x');
    GetClassNames(names);
    EXPECT_EQ(names, u"x\r\nCElement\r\nCObject");

    CMemoryByteSink sink;
    ReportClassInstances(&sink);
    EXPECT_EQ(Lines(sink), (std::vector<std::string>{
                               "Class                Instances ", Dashes(20) + " " + Dashes(10),
                               "CElement                      3", "CObject                       1",
                               Dashes(37)}));
    plain->Release();
    for (CElement* e : elements) {
        e->Release();
    }
}

TEST_F(ClassCensus, TickWrapIsHarmlessAndTheFirstTenSecondsReadTheEmptyCensus) {
    SetCensusTickSourceForTesting(&FakeTick);
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
    CMemoryByteSink sink;
    WriteReportLine(&sink, u"%s=%d", u"\u00e9\u4e2d", 7);
    EXPECT_EQ(sink.bytes(),
              (std::vector<uint8_t>{0xE9, 0x00, 0x2D, 0x4E, '=', 0x00, '7', 0x00, 0x0A, 0x00}));
    sink.Clear();
    const std::u16string longText(3000, u'z');
    WriteReportLine(&sink, u"%s", longText.c_str());
    EXPECT_EQ(sink.bytes().size(), 2048u * 2 + 2);
    sink.Clear();
    WriteReportLine(&sink, u"");
    EXPECT_EQ(sink.bytes(), (std::vector<uint8_t>{0x0A, 0x00}));
}

}  // namespace
}  // namespace zev
