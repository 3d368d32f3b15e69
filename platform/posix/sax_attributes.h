// sax_attributes.h - the attributes of the element being started, as expat hands them over and as
// ISAXAttributes shows them.
#pragma once

#include <expat.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "platform/codepage.h"
#include "platform/com_object.h"
#include "platform/sax.h"

namespace platform::posix {

// UTF-16 text whose storage only grows: the reader converts every name, value and run of text
// into one of these, and resizing a string for each (zeroing it, then cutting it back) cost more
// than converting short ASCII text does. Not NUL-terminated; size() counts.
class WideText {
  public:
    const char16_t* data() const { return m_units.data(); }
    size_t size() const { return m_size; }
    int length() const { return static_cast<int>(m_size); }
    std::u16string_view view() const { return {m_units.data(), m_size}; }

    // Lenient UTF-8, as NarrowToWide.
    void AssignUtf8(const char* text, size_t bytes) {
        m_size = NarrowToWideUnits(text, bytes, Room(bytes));
    }
    void Assign(std::u16string_view text) {
        m_size = 0;
        Append(text);
    }
    void Append(std::u16string_view text) {
        char16_t* units = Room(m_size + text.size());
        std::copy(text.begin(), text.end(), units + m_size);
        m_size += text.size();
    }

  private:
    // Room for count units in all.
    char16_t* Room(size_t count) {
        if (m_units.size() < count) {
            Grow(count);
        }
        return m_units.data();
    }
    void Grow(size_t count);

    std::u16string m_units;  // its size is the room there is, not the text's
    size_t m_size = 0;
};

// A name as SAX hands it over.
struct ElementName {
    WideText uri;
    WideText localName;
    WideText qName;
};

struct Attribute : ElementName {
    WideText value;
};

// The attributes of the current element. Slots outlive their element, so that their strings keep
// their storage for the next one instead of being freed and allocated again.
struct AttributeList {
    std::vector<Attribute> slots;
    size_t count = 0;

    void Clear() { count = 0; }
    Attribute& Next() {
        if (count == slots.size()) {
            slots.emplace_back();
        }
        return slots[count++];
    }
    size_t size() const { return count; }
    const Attribute& operator[](size_t i) const { return slots[i]; }
};

// U+0001 cannot occur in an XML 1.0 document, not even as a character reference, so it can never
// be part of a namespace URI or a name.
constexpr XML_Char kNsSeparator = '\x01';

// Splits an expat name ("uri SEP local SEP prefix", "uri SEP local" or "local") into its parts;
// the qualified name is rebuilt as written. The strings keep their storage from call to call.
void SplitName(const XML_Char* name, ElementName& out);

// The list seen through ISAXAttributes; lives inside one parse, on the reader's references.
class CAttributes final : public CComPart<ISAXAttributes, IID_ISAXAttributes> {
  public:
    CAttributes(IUnknown* owner, const AttributeList& list) : CComPart(owner), m_list(list) {}

    HRESULT getLength(int* length) override;
    HRESULT getURI(int index, const char16_t** uri, int* uriLength) override;
    HRESULT getLocalName(int index, const char16_t** localName, int* localNameLength) override;
    HRESULT getQName(int index, const char16_t** qName, int* qNameLength) override;
    HRESULT getName(int index, const char16_t** uri, int* uriLength, const char16_t** localName,
                    int* localNameLength, const char16_t** qName, int* qNameLength) override;
    HRESULT getIndexFromName(const char16_t* uri, int uriLength, const char16_t* localName,
                             int localNameLength, int* index) override;
    HRESULT getIndexFromQName(const char16_t* qName, int qNameLength, int* index) override;
    HRESULT getValue(int index, const char16_t** value, int* valueLength) override;
    HRESULT getValueFromName(const char16_t* uri, int uriLength, const char16_t* localName,
                             int localNameLength, const char16_t** value,
                             int* valueLength) override;
    HRESULT getValueFromQName(const char16_t* qName, int qNameLength, const char16_t** value,
                              int* valueLength) override;

  private:
    HRESULT Field(int index, WideText Attribute::*field, const char16_t** text, int* length) const;

    const AttributeList& m_list;
};

}  // namespace platform::posix
