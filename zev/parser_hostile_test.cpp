// parser_hostile_test.cpp - hostile documents: each gives a defined result quickly, builds no
// tree when refused, and leaks nothing (the suite checks the registry after every test).
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "platform/codepage.h"
#include "platform/sax.h"
#include "zev/parser.h"
#include "zev/registry.h"

// On Windows the system's reader refuses with codes of its own: there only the refusal is checked.
#if defined(_WIN32)
#define EXPECT_REFUSED(result, posixCode) EXPECT_TRUE(FAILED(result))
#else
#define EXPECT_REFUSED(result, posixCode) EXPECT_EQ(result, posixCode)
#endif

namespace zev {
namespace {

const std::string kTestData = OLVANE_SOURCE_DIR "/zev/testdata/";

std::u16string ReadWide(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return NarrowToWide(bytes.c_str());
}

// Parses and checks that nothing was built or left behind.
HRESULT Refused(const std::u16string& text) {
    const size_t before = GetRegisteredObjectCount();
    CElement* doc = nullptr;
    const HRESULT hr = ParseXMLText(text.c_str(), &doc);
    EXPECT_EQ(doc, nullptr);
    EXPECT_EQ(GetRegisteredObjectCount(), before);
    return hr;
}

std::u16string Repeat(const std::u16string& piece, size_t times) {
    std::u16string out;
    out.reserve(piece.size() * times);
    for (size_t i = 0; i < times; ++i) {
        out += piece;
    }
    return out;
}

TEST(HostileXml, MillionNestedElementsAndBillionLaughsAreCutOff) {
    EXPECT_EQ(Refused(Repeat(u"<e>", 1000000) + Repeat(u"</e>", 1000000)), SAX_E_TOO_DEEP);
    EXPECT_LT(Refused(ReadWide(kTestData + "billion_laughs.xml")), 0);
}

TEST(HostileXml, ExternalEntityIsNeverLoaded) {
    const std::string secret = "SECRET-MARKER-7f3a";
    testing::internal::CaptureStdout();
    EXPECT_REFUSED(Refused(ReadWide(kTestData + "external_entity.xml")), SAX_E_EXTERNAL_ENTITY);
    const std::u16string absolute = u"<!DOCTYPE a [<!ENTITY s SYSTEM 'file://" +
                                    NarrowToWide((kTestData + "secret.txt").c_str()) +
                                    u"'>]><a>&s;</a>";
    EXPECT_REFUSED(Refused(absolute), SAX_E_EXTERNAL_ENTITY);
    CElement* doc = nullptr;
    EXPECT_REFUSED(
        ParseXMLURL(NarrowToWide((kTestData + "external_entity.xml").c_str()).c_str(), &doc),
        SAX_E_EXTERNAL_ENTITY);
    EXPECT_EQ(doc, nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout().find(secret), std::string::npos);
}

TEST(HostileXml, OverlongAttributeValueAndTextRunAreRefused) {
    EXPECT_REFUSED(Refused(u"<a v='" + std::u16string(50u << 20, u'x') + u"'/>"),
                   SAX_E_VALUE_TOO_LONG);
    // A run joined across entity references counts as one.
    const std::u16string chunk = std::u16string(999999, u'y') + u"&amp;";
    EXPECT_EQ(Refused(u"<a><b/>" + Repeat(chunk, 11) + u"</a>"), SAX_E_VALUE_TOO_LONG);
}

std::u16string ElementWithAttributes(int n) {
    // Written in descending key order, the worst case for an ordered insert.
    std::u16string text = u"<a";
    for (int i = n - 1; i >= 0; --i) {
        const std::u16string k = NarrowToWide(std::to_string(100000 + i).c_str());
        text += u" k" + k + u"='" + k + u"'";
    }
    return text + u"/>";
}

TEST(HostileXml, AttributesUpToTheLimitParseInOrderAndMoreAreRefused) {
    const int n = static_cast<int>(kSaxMaxAttributes);
    CElement* doc = nullptr;
    ASSERT_EQ(ParseXMLText(ElementWithAttributes(n).c_str(), &doc), 0);
    ObjectRef<CElement> a(doc->GetChildElement(0));
    ASSERT_EQ(a->GetAttributeCount(), n);
    std::u16string key;
    std::u16string value;
    for (int i = 0; i < n; ++i) {
        ASSERT_EQ(a->GetAttributeAt(i, key, value), 0);
        ASSERT_EQ(key, u"k" + NarrowToWide(std::to_string(100000 + i).c_str()));
        ASSERT_EQ(u"k" + value, key);
    }
    EXPECT_EQ(a->GetAttribute(u"k150000", value), 0);
    EXPECT_EQ(value, u"150000");
    a.Reset();
    doc->Release();

    EXPECT_EQ(Refused(ElementWithAttributes(100000)), SAX_E_TOO_MANY_ATTRIBUTES);
    // Namespace declarations count too.
    EXPECT_EQ(Refused(u"<a xmlns:p='urn:p' " + ElementWithAttributes(n).substr(3)),
              SAX_E_TOO_MANY_ATTRIBUTES);
}

TEST(HostileXml, UnpairedSurrogatesAreParseErrors) {
    const std::u16string high(1, u'\xD83D');
    const std::u16string low(1, u'\xDE00');
    for (const std::u16string& text :
         {u"<a>" + high + u"</a>", u"<a>" + low + high + u"</a>", u"<a v='" + low + u"'/>",
          u"<a" + high + u"/>", u"<a/>" + high, high + low + u"<a>" + high + u"x</a>"}) {
        EXPECT_EQ(Refused(text), SAX_E_UNPAIRED_SURROGATE);
    }
    CElement* doc = nullptr;
    ASSERT_EQ(ParseXMLText((u"<a>" + high + low + u"</a>").c_str(), &doc), 0);  // a proper pair
    doc->Release();
}

}  // namespace
}  // namespace zev
