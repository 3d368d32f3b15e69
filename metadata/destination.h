// destination.h - CDestination: a template field of a scene that can receive data, and the base of
// every object a scene keeps under a key (metadata sources derive from it).
#pragma once

#include "olvane/olvane.h"
#include "platform/cmap.h"
#include "platform/cstring.h"

class CDestination {
  public:
    CDestination();  // empty name and key, host data 0
    virtual ~CDestination();
    CDestination(const CDestination&) = delete;
    CDestination& operator=(const CDestination&) = delete;

    // 0 for a template destination, 1 for a metadata source.
    virtual int GetType() const;
    virtual CString GetName() const;

    // Host data, then a fresh copy of the name, then of the key, of src. Null src: nothing.
    void CopyFrom(const CDestination* src);

    BSTR m_bstrName;
    BSTR m_bstrKey;
    int m_nHostData;
};

// The only way an object leaves memory: -4 null, 1 freed (type 0 or 1), -3 unknown type (its key is
// released, the object is not freed).
int DeleteDestination(CDestination* object);

// A scene's keyed collection: key -> owned object.
using CDestinationMap = CMap<CString, LPCWSTR, CDestination*, CDestination*>;

// DeleteDestination on every value (results ignored), then empties the map.
void RemoveAllDestinations(CDestinationMap& map);

// Replaces a BSTR field with a copy of text (throws std::bad_alloc, leaving the field as it was).
void AssignBstr(BSTR& field, const CString& text);
