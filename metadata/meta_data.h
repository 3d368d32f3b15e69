// meta_data.h - CMetaData: one group of values (or the namespace list) of a metadata source.
#pragma once

#include "metadata/value_map.h"
#include "platform/cstring.h"

class CMetaDataTree;

class CMetaData {
  public:
    using ValueMap = ::ValueMap;

    // Adds the qualified-name/value pairs of a packet's tree (overwriting existing keys).
    void Flatten(const CMetaDataTree* node);

    ValueMap m_Values;
    CString m_strPrefix;
    CString m_strNamespace;
};
