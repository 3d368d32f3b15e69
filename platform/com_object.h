// com_object.h - the one IUnknown implementation of the platform's COM objects: QueryInterface
// answers for IUnknown and the object's one interface; the reference count is either the object's
// own (ComObject: it lives until its last Release) or its owner's (ComPart: it lives inside
// another object, and a reference to it keeps that owner alive).
#pragma once

#include "platform/com.h"
#include "platform/sync.h"

namespace platform {

template <class Interface, const IID& kIid>
class ComQuery : public Interface {
  public:
    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (iid == IID_IUnknown || iid == kIid) {
            *object = static_cast<Interface*>(this);
            this->AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }

  protected:
    ~ComQuery() = default;
};

// Born with one reference, which its creator holds; deleted (as Derived) by the last Release.
template <class Derived, class Interface, const IID& kIid>
class ComObject : public ComQuery<Interface, kIid> {
  public:
    ULONG AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    ULONG Release() override {
        const long left = InterlockedDecrement(&m_refs);
        if (left == 0) {
            delete static_cast<Derived*>(this);
        }
        return static_cast<ULONG>(left);
    }

  protected:
    ~ComObject() = default;

  private:
    volatile long m_refs = 1;
};

template <class Interface, const IID& kIid>
class ComPart : public ComQuery<Interface, kIid> {
  public:
    explicit ComPart(IUnknown* owner) : m_owner(owner) {}
    ULONG AddRef() override { return m_owner->AddRef(); }
    ULONG Release() override { return m_owner->Release(); }

  protected:
    ~ComPart() = default;

  private:
    IUnknown* m_owner;
};

}  // namespace platform
