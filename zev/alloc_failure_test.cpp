// alloc_failure_test.cpp - allocation failure during parsing: it reaches the caller as
// std::bad_alloc (or a failure code where the design says so) and leaves nothing behind.
#include <gtest/gtest.h>

#include <string>

#include "platform/sax.h"
#include "zev/failing_allocator_test_support.h"
#include "zev/parser.h"
#include "zev/registry.h"

namespace zev {
namespace {

using failing_allocator::Arm;
using failing_allocator::Disarm;

TEST(AllocationFailure, EveryFailingAllocationOfAParseIsReportedAndCleanedUp) {
    const std::u16string text =
        u"<r:root xmlns:r='urn:r' b='2' a='1'><c x='y'>text &amp; more</c><d/>tail</r:root>";
    int thrown = 0;
    int cannotCreate = 0;
    int outOfMemory = 0;
    bool completed = false;
    for (long n = 1; n < 100000 && !completed; ++n) {
        CElement* doc = nullptr;
        HRESULT hr = 0;
        Arm(n);
        try {
            hr = ParseXMLText(text.c_str(), &doc);
        } catch (const std::bad_alloc&) {
            ++thrown;
            hr = 1;
        }
        const long used = Disarm();
        ASSERT_EQ(GetRegisteredObjectCount(), doc == nullptr ? 0u : 4u)
            << "failing allocation " << n;
        if (hr == 1) {
            EXPECT_EQ(doc, nullptr);
        } else if (hr == 0) {
            // Success: either no allocation failed, or one that may fail was retried without.
            ObjectRef<CElement> root(doc->GetChildElement(0));
            EXPECT_EQ(root->qualifiedName(), u"r:root");
            EXPECT_EQ(root->text(), u"tail");
            EXPECT_EQ(root->GetAttributeCount(), 3);
            root.Reset();
            doc->Release();
            completed = used < n;
        } else if (hr == kCannotCreate) {
            ++cannotCreate;  // an element's own storage
        } else if (hr == E_OUTOFMEMORY) {
            ++outOfMemory;  // the reader's
        } else {
            ADD_FAILURE() << "unexpected result " << hr << " at allocation " << n;
        }
        EXPECT_EQ(GetRegisteredObjectCount(), 0u);
    }
    EXPECT_TRUE(completed);
    EXPECT_GT(thrown, 10);
    EXPECT_EQ(cannotCreate, 3);  // one per element
    EXPECT_GT(outOfMemory, 0);
}

// A content handler that makes the next allocation fail inside its own character callback.
class FailingParser : public CParser {
  public:
    HRESULT characters(const char16_t* chars, int length) override {
        Arm(1);
        return CParser::characters(chars, length);  // copies the text: allocates, throws
    }
};

TEST(AllocationFailure, FailureInsideAContentHandlerCallbackCrossesTheReader) {
    ComPtr<ISAXXMLReader> reader;
    ASSERT_EQ(CoCreateInstance(CLSID_SAXXMLReader, nullptr, CLSCTX_ALL, IID_ISAXXMLReader,
                               reader.PutVoid()),
              S_OK);
    auto* handler = new FailingParser();
    ASSERT_EQ(reader->putContentHandler(handler), S_OK);
    VARIANT input;
    input.vt = VT_BSTR;
    input.bstrVal = SysAllocString(u"<a><b x='1'/>a text longer than a short string</a>");
    EXPECT_THROW(reader->parse(input), std::bad_alloc);
    Disarm();
    VariantClear(&input);
    EXPECT_EQ(GetRegisteredObjectCount(), 2u);  // a and b, held by the handler
    reader.Reset();                             // the handler goes, and the tree with it
    EXPECT_EQ(GetRegisteredObjectCount(), 0u);
}

}  // namespace
}  // namespace zev
