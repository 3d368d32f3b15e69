// alloc_failure_test.cpp - allocation failure during parsing: it reaches the caller as
// std::bad_alloc (or a failure code where the design says so) and leaves nothing behind. This
// binary replaces the global operator new so that any chosen allocation can be made to fail.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>

#include "platform/sax.h"
#include "zev/parser.h"
#include "zev/registry.h"

namespace {

// The allocation number that fails, counted from Arm(); 0 when disarmed.
thread_local long t_failAt = 0;
thread_local long t_seen = 0;

void Arm(long n) {
    t_seen = 0;
    t_failAt = n;
}

long Disarm() {
    t_failAt = 0;
    return t_seen;
}

void* Allocate(std::size_t n) {
    if (t_failAt != 0 && ++t_seen == t_failAt) {
        throw std::bad_alloc();
    }
    void* p = std::malloc(n == 0 ? 1 : n);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    return p;
}

}  // namespace

void* operator new(std::size_t n) {
    return Allocate(n);
}
void* operator new[](std::size_t n) {
    return Allocate(n);
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    try {
        return Allocate(n);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t n, const std::nothrow_t& tag) noexcept {
    return operator new(n, tag);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}

namespace zev {
namespace {

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
            CObjectRef<CElement> root(doc->GetChildElement(0));
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
