// parser.h - the XML parser front: wide XML text to a zev::CElement tree through the platform's
// SAX2 reader, and UTF-8 to wide text.
#pragma once

#include <deque>
#include <string>

#include "zev/element.h"
#include "zev/result.h"
#include "zev/sax_content_handler_impl.h"

namespace zev {

// Parses one document. On S_OK with document non-null, *document receives a new document element
// (empty name, no attributes) whose only child is the top-level element; the caller releases it.
// Any other result leaves *document unchanged. With document null nothing is built.
// Results: S_OK; kNoText for null, "" or "-1" (positive, so SUCCEEDED() would take it for a
// parse: compare with S_OK); kStructureRefused; kCannotCreate; or the reader's negative code (see
// platform/sax.h for its limits). Allocation failure throws std::bad_alloc and leaves nothing
// behind.
HRESULT ParseXMLText(const char16_t* text, CElement** document);
// True for the results that only a failed allocation gives (the reader's E_OUTOFMEMORY, an element
// that could not be created). Callers raise std::bad_alloc for them instead of taking the text as
// unreadable, which would drop what they hold.
bool IsAllocationFailure(HRESULT result);
// The same for a file path (or file:// URL), read through the reader's parseURL; no 232 check.
HRESULT ParseXMLURL(const char16_t* url, CElement** document);
// Converts NUL-terminated UTF-8 (null is "") into out and returns out's characters. Invalid input
// prints "ERROR - ... (0x459)" to standard output, leaves out empty and still returns a pointer.
const char16_t* Utf8ToWide(std::u16string& out, const char* utf8);

// The content handler that builds the tree. Used by ParseXMLText only.
class CParser : public SAXContentHandlerImpl {
  public:
    enum State {
        kNone,
        kDocumentStarted,
        kElementStarted,
        kCharacters,
        kElementEnded,
        kDocumentEnded
    };

    CParser() = default;

    HRESULT startDocument() override;
    HRESULT endDocument() override;
    HRESULT startElement(const char16_t* namespaceUri, int namespaceUriLength,
                         const char16_t* localName, int localNameLength, const char16_t* qName,
                         int qNameLength, ISAXAttributes* attributes) override;
    HRESULT endElement(const char16_t* namespaceUri, int namespaceUriLength,
                       const char16_t* localName, int localNameLength, const char16_t* qName,
                       int qNameLength) override;
    HRESULT characters(const char16_t* chars, int length) override;

    CElement* root() const { return m_pRoot; }  // no new reference
    int state() const { return m_nState; }

    ~CParser() override;

  private:
    void PopAll();

    std::deque<CElement*> m_Stack;  // open elements, innermost at the back; one reference each
    CElement* m_pRoot = nullptr;    // the first top-level element; one reference
    int m_nState = kNone;
    ISAXLocator* m_pLocator = nullptr;
};

}  // namespace zev
