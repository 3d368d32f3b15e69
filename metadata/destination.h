// destination.h - CDestination: a template field of a scene that can receive data, and the base of
// every object a scene keeps under a key (metadata sources derive from it).
#pragma once

#include <memory>

#include "olvane/olvane.h"
#include "platform/cmap.h"
#include "platform/cstring.h"

// The type codes GetType answers: what kind of object a scene keeps under a key.
struct DestinationType {
    static constexpr int kTemplate = 0;        // a plain CDestination: a template field
    static constexpr int kMetaDataSource = 1;  // a CMetaDataSource
};

// The host data every metadata source carries.
constexpr int kMetaDataSourceHostData = 4;

class CDestination {
  public:
    CDestination();  // empty name and key, host data 0
    virtual ~CDestination();
    CDestination(const CDestination&) = delete;
    CDestination& operator=(const CDestination&) = delete;

    // DestinationType::kTemplate here; kMetaDataSource for a metadata source.
    virtual int GetType() const;
    virtual CString GetName() const;

    CString GetKey() const;  // "" once DeleteDestination has released it
    int GetHostData() const { return m_nHostData; }
    // Each keeps a copy of text; throws std::bad_alloc, leaving the old one.
    void SetName(const CString& name);
    void SetKey(const CString& key);
    void SetHostData(int hostData) { m_nHostData = hostData; }

    // Host data, then a fresh copy of the name, then of the key, of src. Null src: nothing.
    void CopyFrom(const CDestination* src);

  private:
    friend int DeleteDestination(std::unique_ptr<CDestination> object);

    BSTR m_bstrName;
    BSTR m_bstrKey;
    int m_nHostData;
};

// DeleteDestination's results.
struct DeleteResult {
    static constexpr int kDeleted = 1;       // a known type: freed
    static constexpr int kUnknownType = -3;  // its key is released, the object is not freed
    static constexpr int kNullObject = -4;
};

// The only way an object leaves memory: frees its key, then the object if GetType answers one of
// the DestinationType codes. An object of any other type is left allocated, as the system leaves
// what it does not know.
int DeleteDestination(std::unique_ptr<CDestination> object);

// A scene's keyed collection: key -> owned object. Objects leave it through DeleteDestination.
using CDestinationMap = CMap<CString, LPCWSTR, std::unique_ptr<CDestination>, CDestination*>;

// DeleteDestination on every value (results ignored), then empties the map.
void RemoveAllDestinations(CDestinationMap& map);
