// sax_attributes.h - the attributes of the element being started in UTF-16, as ISAXAttributes
// shows them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/com_object.h"
#include "platform/sax.h"
#include "platform/text_buffer.h"

namespace platform::posix {

// A name as ISAXContentHandler is handed it.
struct ElementName {
    WideText uri;
    WideText localName;
    WideText qName;

    void AssignUtf8(const SaxUtf8Name& name) {
        uri.AssignUtf8(name.uri);
        localName.AssignUtf8(name.localName);
        if (name.prefix.empty()) {
            qName.Assign(localName.view());
            return;
        }
        qName.AssignUtf8(name.prefix);
        qName.Append(u":");
        qName.Append(localName.view());
    }
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

// The list seen through ISAXAttributes; lives inside one parse, on the reader's references.
class SaxAttributes final : public ComPart<ISAXAttributes, IID_ISAXAttributes> {
  public:
    SaxAttributes(IUnknown* owner, const AttributeList& list) : ComPart(owner), m_list(list) {}

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
