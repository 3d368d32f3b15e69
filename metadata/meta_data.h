// meta_data.h - CMetaData: one group of values (or the namespace list) of a metadata source.
#pragma once

#include <string_view>

#include "metadata/value_map.h"
#include "platform/cstring.h"

class CMetaDataTree;

class CMetaData {
  public:
    using ValueMap = ::ValueMap;

    // Adds the qualified-name/value pairs of a packet's tree (overwriting existing keys).
    void Flatten(const CMetaDataTree* node);
    // Adds a pair, or gives a known key the new value (it keeps its place).
    void SetValue(std::u16string_view key, std::u16string_view value) {
        m_Values.SetAt(key, value);
    }

    const ValueMap& GetValues() const { return m_Values; }
    const CString& GetPrefix() const { return m_strPrefix; }
    const CString& GetNamespace() const { return m_strNamespace; }

  private:
    friend class CMetaDataSource;  // builds the groups, sharing the pairs' texts

    ValueMap m_Values;
    CString m_strPrefix;
    CString m_strNamespace;
};
