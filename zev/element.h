// element.h - zev::CElement: an XML element (local name, qualified name, text, attributes) in a
// zev object tree, and its indented text writer.
//
// Threads: the child list is guarded like any CObject's, but the name, text and attributes are
// not: fill an element on one thread, then share it read-only.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/byte_sink.h"
#include "zev/object.h"
#include "zev/result.h"

namespace zev {

class CElement : public CObject {
  public:
    explicit CElement(const std::u16string& name);

    const char16_t* GetClassName() const override;

    // Attaches child at the end, taking it from its old parent first. The caller must hold its own
    // reference to child for the whole call. S_OK, or kStructureRefused.
    virtual HRESULT AppendChild(CElement* child);
    virtual void SetText(const std::u16string& text);
    virtual void AppendText(const std::u16string& text);
    // Asks every child element in turn; the first failure is returned. S_OK for a plain tree.
    virtual HRESULT Validate();
    // Inserts the pair, or overwrites the value of an existing key. Always S_OK.
    virtual HRESULT SetAttribute(const std::u16string& key, const std::u16string& value);

    // The text writer: four spaces per level, tags by qualifiedName (qualified) or by name, nothing
    // escaped, each character converted with the current locale's wcrtomb (one it cannot convert
    // is skipped). WriteStartTag returns whether content and an end tag must follow; WriteEndTag
    // returns the result of its write.
    virtual bool WriteStartTag(IByteSink* stream, int level, bool qualified);
    virtual void WriteContent(IByteSink* stream, int level, bool qualified);
    virtual HRESULT WriteEndTag(IByteSink* stream, int level, bool qualified);

    void SetQualifiedName(const std::u16string& qualifiedName) {
        m_strQualifiedName = qualifiedName;
    }

    const std::u16string& name() const { return m_strName; }
    const std::u16string& qualifiedName() const { return m_strQualifiedName; }
    const std::u16string& text() const { return m_strText; }

    // Exact, case-sensitive lookup: S_OK with value set, or kNoAttribute with value untouched.
    HRESULT GetAttribute(const std::u16string& key, std::u16string& value) const;
    // The index-th pair in ascending key order (UTF-16 code units): S_OK, or kNoAttribute with the
    // outputs untouched.
    HRESULT GetAttributeAt(int index, std::u16string& key, std::u16string& value) const;
    int GetAttributeCount() const { return static_cast<int>(m_Attributes.size()); }

    // The child at index (as GetChild) when it is an element: a new reference, or null.
    CElement* GetChildElement(int index);

  protected:
    ~CElement() override;

  private:
    std::u16string m_strName;
    std::u16string m_strText;
    std::u16string m_strQualifiedName;
    // Sorted by key: lookups are binary searches and GetAttributeAt is an index.
    std::vector<std::pair<std::u16string, std::u16string>> m_Attributes;
};

}  // namespace zev
