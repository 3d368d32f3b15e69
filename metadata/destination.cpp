// destination.cpp - CDestination and DeleteDestination.
#include "metadata/destination.h"

#include <utility>

#include "platform/bstr.h"

namespace {

BSTR EmptyBstr() {
    return AllocBstrOrThrow(u"", 0);
}

// Replaces a BSTR field with a copy of text (throws std::bad_alloc, leaving the field as it was).
void AssignBstr(BSTR& field, const CString& text) {
    BSTR copy = text.AllocSysString();
    SysFreeString(field);
    field = copy;
}

}  // namespace

CDestination::CDestination() : m_bstrName(EmptyBstr()), m_bstrKey(nullptr), m_nHostData(0) {
    try {
        m_bstrKey = EmptyBstr();
    } catch (...) {
        SysFreeString(m_bstrName);
        throw;
    }
}

CDestination::~CDestination() {
    SysFreeString(m_bstrName);
    SysFreeString(m_bstrKey);
}

int CDestination::GetType() const {
    return DestinationType::kTemplate;
}

CString CDestination::GetName() const {
    return CString(m_bstrName, SysStringLen(m_bstrName));
}

CString CDestination::GetKey() const {
    return CString(m_bstrKey, SysStringLen(m_bstrKey));
}

void CDestination::SetName(const CString& name) {
    AssignBstr(m_bstrName, name);
}

void CDestination::SetKey(const CString& key) {
    AssignBstr(m_bstrKey, key);
}

void CDestination::CopyFrom(const CDestination* src) {
    if (src == nullptr) {
        return;
    }
    m_nHostData = src->m_nHostData;
    AssignBstr(m_bstrName, CString(src->m_bstrName, SysStringLen(src->m_bstrName)));
    AssignBstr(m_bstrKey, CString(src->m_bstrKey, SysStringLen(src->m_bstrKey)));
}

int DeleteDestination(std::unique_ptr<CDestination> object) {
    if (object == nullptr) {
        return DeleteResult::kNullObject;
    }
    // The key goes first, whatever the object is; only the two known kinds are freed.
    SysFreeString(object->m_bstrKey);
    object->m_bstrKey = nullptr;
    const int type = object->GetType();
    if (type != DestinationType::kTemplate && type != DestinationType::kMetaDataSource) {
        static_cast<void>(object.release());
        return DeleteResult::kUnknownType;
    }
    return DeleteResult::kDeleted;
}

void RemoveAllDestinations(CDestinationMap& map) {
    POSITION pos = map.GetStartPosition();
    while (pos != nullptr) {
        DeleteDestination(std::move(map.GetNextAssocPtr(pos)->value));
    }
    map.RemoveAll();
}
