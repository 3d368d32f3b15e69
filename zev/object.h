// object.h - zev::CObject: a reference-counted tree node with its own lock, a child list, listeners
// and a link, registered in the object registry for its whole life.
//
// Threads: the reference count is atomic and the child list, listeners, name and parent link are
// guarded by the object's recursive lock, so objects may be shared between threads. Moving the
// same nodes around concurrently in ways that could close a cycle is not detected. A tree is torn
// down without recursion, but Validate, the writer and NotifyChildren recurse once per level.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/sync.h"
#include "zev/registry.h"

namespace zev {

class CObject {
  public:
    // Events passed to Notify.
    static constexpr int kChildAdded = 0;
    static constexpr int kRemoved = 1;  // a child was removed, or the sender is being disposed
    // The child index that means the last place: append for AddChild, the last child for
    // GetChild and MoveChild.
    static constexpr int kLast = -1;
    // GetChildIndex of an object that is not a child.
    static constexpr int kNotAChild = -1;
    // GetObjectName when it has copied the name into the buffer.
    static constexpr int kNameCopied = 0;

    // Born with one reference, the creator's. A parent, when given, adopts the new object and
    // holds a second reference.
    explicit CObject(CObject* parent = nullptr);
    CObject(const CObject&) = delete;
    CObject& operator=(const CObject&) = delete;

    virtual long AddRef();
    // Deletes the object when the count reaches 0.
    virtual long Release();
    // Index kLast or the child count appends; 0 .. count inserts there. False, with nothing
    // changed, for null, this object or one of its ancestors, a current child, an index out of
    // range, or a name that a child already bears. A child of another parent is moved here.
    virtual bool AddChild(CObject* child, int index);
    // Detaches a child and releases the list's reference; anything else is left alone.
    virtual void RemoveChild(CObject* child);
    virtual void RemoveAllChildren();
    virtual const char16_t* GetClassName() const;
    // Tells the listeners, drops an owned link, detaches the children and leaves the parent.
    // Runs once; the destructor runs it too.
    virtual void Dispose();
    virtual void Notify(CObject* sender, int event);
    virtual void NotifyChildren(CObject* sender, int event);

    // kLast gives the last child. A new reference, or null.
    CObject* GetChild(int index);
    // Appends every child with a new reference; returns how many.
    int GetChildren(std::vector<CObject*>& out);
    int GetChildCount();
    int GetChildIndex(CObject* child);  // kNotAChild when not a child
    // A new reference, or null when there is no parent or its count is already 0.
    CObject* GetParent();
    // The first child whose object name is name (non-empty); a new reference, or null.
    CObject* FindChild(const char16_t* name);
    // Moves a child to an index (kLast: the last place); true when it is there afterwards.
    bool MoveChild(CObject* child, int index);

    // Copies at most size - 1 characters and a NUL into buffer and returns kNameCopied; with no
    // buffer or a size below 1, returns the name's length.
    int GetObjectName(char16_t* buffer, int size);
    std::u16string GetObjectName();
    // Null or "" leaves the object unnamed.
    void SetObjectName(const char16_t* name);

    // Makes this object and other listeners of each other (only objects with notifications on).
    void AddListener(CObject* other);
    // Ties this object to another; when owns, holds a reference to it and both listen to each
    // other, so the link is cut when either is disposed.
    void SetLink(CObject* object, bool owns);
    CObject* GetLink();  // a new reference, or null

    long GetRefCount() const { return platform::InterlockedRead(&m_nRefCount); }
    // Drops a reference unless it is the last one, which is left for a later Release: for walks
    // that must not delete anything on the way. True when it was dropped.
    bool ReleaseUnlessLast();
    bool IsDisposed();

  protected:
    // For a derived class that calls RegisterObject itself at the end of its own constructor, so
    // that a registry walk on another thread never meets the object half built.
    struct RegisterLater {};
    CObject(CObject* parent, RegisterLater);
    virtual ~CObject();
    void EnableNotifications(bool enable) { m_bNotifications = enable; }

  private:
    friend struct RegistryAccess;

    static void Destroy(CObject* object);
    bool TryAddRef();
    void SetParentLink(CObject* parent, CObject* expected);
    bool HasChildNamed(const std::u16string& name);
    bool AddListenerOneWay(CObject* other);
    // Under the lock: gives up an owned link, returning the reference to release (or null).
    CObject* TakeOwnedLink();

    volatile long m_nRefCount = 1;  // changed only by the platform's interlocked operations
    std::vector<CObject*> m_Children;
    std::unique_ptr<std::vector<CObject*>> m_pListeners;
    std::unique_ptr<std::u16string> m_pName;
    CObject* m_pParent = nullptr;
    CObject* m_pLink = nullptr;
    bool m_bOwnsLink = false;
    bool m_bNotifications = true;
    uint32_t m_nState = 0;  // kDisposing, kDisposed
    platform::CCriticalSection m_Lock;
    RegistryLinks m_Registry;
    CObject* m_pNextDoomed = nullptr;  // the thread's queue of objects waiting to be deleted
};

// Release when non-null; 0 for null.
long ReleaseObject(CObject* object);

// Holds one reference that it adopts, and releases it on every way out.
template <class T>
class ObjectRef {
  public:
    ObjectRef() = default;
    explicit ObjectRef(T* adopted) : m_p(adopted) {}
    ObjectRef(const ObjectRef&) = delete;
    ObjectRef& operator=(const ObjectRef&) = delete;
    ObjectRef(ObjectRef&& other) noexcept : m_p(other.Detach()) {}
    ObjectRef& operator=(ObjectRef&& other) noexcept {
        Reset(other.Detach());
        return *this;
    }
    ~ObjectRef() { Reset(); }

    void Reset(T* adopted = nullptr) {
        T* old = m_p;
        m_p = adopted;
        ReleaseObject(old);
    }
    T* Detach() {
        T* p = m_p;
        m_p = nullptr;
        return p;
    }
    T* get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

  private:
    T* m_p = nullptr;
};

}  // namespace zev
