// object.cpp - zev::CObject: reference counting, the child list, listeners, links, disposal.
#include "zev/object.h"

#include <algorithm>
#include <utility>

#include "zev/registry.h"

namespace zev {
namespace {

constexpr uint32_t kDisposed = 1;
constexpr uint32_t kDisposing = 2;

using Guard = std::lock_guard<platform::CCriticalSection>;
using Lock = std::unique_lock<platform::CCriticalSection>;

// Makes room for one more pointer, so that the insertion after it cannot fail.
void ReserveOneMore(std::vector<CObject*>& list) {
    if (list.size() == list.capacity()) {
        list.reserve(list.empty() ? 4 : list.size() * 2);
    }
}

}  // namespace

CObject::CObject(CObject* parent) : CObject(parent, RegisterLater()) {
    RegisterObject(this);  // cannot fail, so the adoption never needs undoing
}

CObject::CObject(CObject* parent, RegisterLater) {
    if (parent != nullptr) {
        parent->AddChild(this, kLast);
    }
}

CObject::~CObject() {
    // A derived destructor has usually disposed already. Only this thread can reach an object
    // being destroyed, so the flag is read without the lock.
    if ((m_nState & kDisposing) == 0) {
        Dispose();
    }
    UnregisterObject(this);  // nothing when Destroy has done it already
}

long CObject::AddRef() {
    return platform::InterlockedIncrement(&m_nRefCount);
}

long CObject::Release() {
    const long left = platform::InterlockedDecrement(&m_nRefCount);
    if (left == 0) {
        Destroy(this);
    }
    return left;
}

// Deletes on a per-thread queue instead of recursing: a child released by its parent's disposal
// is deleted after the parent, so tearing down a deep tree takes no stack per level. The object
// leaves the registry before its destructors run, so the reports never see a half-destroyed one.
void CObject::Destroy(CObject* object) {
    thread_local CObject* t_pending = nullptr;
    thread_local bool t_draining = false;
    object->m_pNextDoomed = t_pending;
    t_pending = object;
    if (t_draining) {
        return;
    }
    t_draining = true;
    while (t_pending != nullptr) {
        CObject* doomed = t_pending;
        t_pending = doomed->m_pNextDoomed;
        UnregisterObject(doomed);
        delete doomed;
    }
    t_draining = false;
}

bool CObject::TryAddRef() {
    long count = platform::InterlockedRead(&m_nRefCount);
    while (count > 0) {
        const long found = platform::InterlockedCompareExchange(&m_nRefCount, count + 1, count);
        if (found == count) {
            return true;
        }
        count = found;
    }
    return false;
}

bool CObject::ReleaseUnlessLast() {
    long count = platform::InterlockedRead(&m_nRefCount);
    while (count > 1) {
        const long found = platform::InterlockedCompareExchange(&m_nRefCount, count - 1, count);
        if (found == count) {
            return true;
        }
        count = found;
    }
    return false;
}

void CObject::SetParentLink(CObject* parent, CObject* expected) {
    Guard guard(m_Lock);
    if (m_pParent == expected) {
        m_pParent = parent;
    }
}

CObject* CObject::GetParent() {
    Guard guard(m_Lock);
    return m_pParent != nullptr && m_pParent->TryAddRef() ? m_pParent : nullptr;
}

bool CObject::AddChild(CObject* child, int index) {
    if (child == nullptr || child == this) {
        return false;
    }
    // One look at the child for what the checks below need: a named child must not clash with a
    // sibling, and only a child with children of its own can be an ancestor of this object, so
    // the usual new leaf needs no walk up the tree.
    bool childless = false;
    std::u16string name;
    {
        Guard guard(child->m_Lock);
        childless = child->m_Children.empty();
        if (child->m_pName != nullptr) {
            name = *child->m_pName;
        }
    }
    if (!childless) {
        for (CObject* ancestor = GetParent(); ancestor != nullptr;) {
            if (ancestor == child) {
                ancestor->Release();
                return false;
            }
            CObject* next = ancestor->GetParent();
            ancestor->Release();
            ancestor = next;
        }
    }

    bool added = false;
    CObject* oldParent = nullptr;
    for (;;) {
        {
            Guard guard(child->m_Lock);
            oldParent = child->m_pParent;
            if (oldParent != nullptr && !oldParent->TryAddRef()) {
                return false;  // its parent is being destroyed and will detach it
            }
        }
        if (oldParent == this) {
            break;
        }
        // Both parents are locked together, so two threads moving children between the same
        // two parents in opposite directions cannot deadlock.
        Lock mine(m_Lock, std::defer_lock);
        Lock theirs;
        if (oldParent != nullptr) {
            theirs = Lock(oldParent->m_Lock, std::defer_lock);
            std::lock(mine, theirs);
        } else {
            mine.lock();
        }
        const int count = static_cast<int>(m_Children.size());
        if (index < kLast || index > count || (!name.empty() && HasChildNamed(name))) {
            break;
        }
        ReserveOneMore(m_Children);
        bool moved = false;
        {
            Guard childGuard(child->m_Lock);
            if (child->m_pParent != oldParent) {
                moved = true;
            } else if (oldParent == nullptr) {
                child->m_pParent = this;  // a loose child is adopted in the same look
            }
        }
        if (moved) {
            mine.unlock();
            if (theirs.owns_lock()) {
                theirs.unlock();
            }
            ReleaseObject(oldParent);
            continue;  // moved by another thread meanwhile
        }
        child->AddRef();
        if (oldParent != nullptr) {
            oldParent->RemoveChild(child);
            Guard childGuard(child->m_Lock);
            child->m_pParent = this;
        }
        if (index == kLast || index == count) {
            m_Children.push_back(child);
        } else {
            m_Children.insert(m_Children.begin() + index, child);
        }
        added = true;
        break;
    }
    ReleaseObject(oldParent);
    if (added) {
        Notify(child, kChildAdded);
    }
    return added;
}

bool CObject::HasChildNamed(const std::u16string& name) {
    Guard guard(m_Lock);
    for (CObject* c : m_Children) {
        Guard childGuard(c->m_Lock);
        if (c->m_pName != nullptr && *c->m_pName == name) {
            return true;
        }
    }
    return false;
}

void CObject::RemoveChild(CObject* child) {
    if (child == nullptr) {
        return;
    }
    {
        Guard guard(m_Lock);
        if (std::find(m_Children.begin(), m_Children.end(), child) == m_Children.end()) {
            return;
        }
    }
    Notify(child, kRemoved);
    child->SetParentLink(nullptr, this);
    bool removed = false;
    {
        Guard guard(m_Lock);
        const auto it = std::find(m_Children.begin(), m_Children.end(), child);
        if (it != m_Children.end()) {
            m_Children.erase(it);
            removed = true;
        }
    }
    // Released outside the lock: a child deleted here must not take the registry lock while
    // this object's lock is held.
    if (removed) {
        child->Release();
    }
}

void CObject::RemoveAllChildren() {
    if (!m_bNotifications) {
        // Nobody is told of the removals, so the list can go at once rather than one at a time
        // from the front.
        std::vector<CObject*> children;
        {
            Guard guard(m_Lock);
            children.swap(m_Children);
        }
        for (CObject* c : children) {
            c->SetParentLink(nullptr, this);
            c->Release();
        }
        return;
    }
    for (;;) {
        CObject* first = nullptr;
        {
            Guard guard(m_Lock);
            if (m_Children.empty()) {
                return;
            }
            first = m_Children.front();
            first->AddRef();
        }
        RemoveChild(first);
        first->Release();
    }
}

const char16_t* CObject::GetClassName() const {
    return u"CObject";
}

void CObject::Dispose() {
    std::unique_ptr<std::vector<CObject*>> listeners;
    CObject* ownedLink = nullptr;
    {
        Guard guard(m_Lock);
        if ((m_nState & kDisposing) != 0) {
            return;
        }
        m_nState |= kDisposing;
        listeners = std::move(m_pListeners);
        if (listeners == nullptr) {
            // Nobody to tell first, so disposal is finished in the same hold of the lock.
            m_nState |= kDisposed;
            ownedLink = TakeOwnedLink();
        }
    }
    if (listeners != nullptr) {
        for (CObject* listener : *listeners) {
            listener->Notify(this, kRemoved);
        }
        listeners.reset();
        Guard guard(m_Lock);
        m_nState |= kDisposed;
        ownedLink = TakeOwnedLink();
    }
    ReleaseObject(ownedLink);
    RemoveAllChildren();
    CObject* parent = nullptr;
    std::unique_ptr<std::u16string> name;
    {
        Guard guard(m_Lock);
        parent = m_pParent != nullptr && m_pParent->TryAddRef() ? m_pParent : nullptr;
        if (parent == nullptr) {
            name = std::move(m_pName);
        }
    }
    if (parent != nullptr) {
        parent->RemoveChild(this);
        parent->Release();
        Guard guard(m_Lock);
        name = std::move(m_pName);
    }
}

void CObject::Notify(CObject* sender, int event) {
    if (!m_bNotifications) {
        return;
    }
    if (event == kRemoved) {
        CObject* ownedLink = nullptr;
        {
            Guard guard(m_Lock);
            if (m_pListeners != nullptr) {
                std::erase(*m_pListeners, sender);
                if (m_pListeners->empty()) {
                    m_pListeners.reset();
                }
            }
            if (sender != nullptr && m_pLink == sender) {
                // An owned link's reference is given back rather than lost.
                ownedLink = m_bOwnsLink ? m_pLink : nullptr;
                m_pLink = nullptr;
                m_bOwnsLink = false;
            }
        }
        ReleaseObject(ownedLink);
    }
    NotifyChildren(sender, event);
}

void CObject::NotifyChildren(CObject* sender, int event) {
    Lock lock(m_Lock);
    for (size_t i = 0; i < m_Children.size(); ++i) {
        CObject* child = m_Children[i];
        if (child == sender) {
            continue;
        }
        child->AddRef();
        lock.unlock();
        child->Notify(sender, event);
        child->Release();
        lock.lock();
    }
}

CObject* CObject::GetChild(int index) {
    Guard guard(m_Lock);
    const int count = static_cast<int>(m_Children.size());
    if (index == kLast) {
        index = count - 1;
    }
    if (index < 0 || index >= count) {
        return nullptr;
    }
    CObject* child = m_Children[static_cast<size_t>(index)];
    child->AddRef();
    return child;
}

int CObject::GetChildren(std::vector<CObject*>& out) {
    Guard guard(m_Lock);
    out.reserve(out.size() + m_Children.size());
    for (CObject* child : m_Children) {
        child->AddRef();
        out.push_back(child);
    }
    return static_cast<int>(m_Children.size());
}

int CObject::GetChildCount() {
    Guard guard(m_Lock);
    return static_cast<int>(m_Children.size());
}

int CObject::GetChildIndex(CObject* child) {
    Guard guard(m_Lock);
    const auto it = std::find(m_Children.begin(), m_Children.end(), child);
    return it == m_Children.end() ? kNotAChild : static_cast<int>(it - m_Children.begin());
}

CObject* CObject::FindChild(const char16_t* name) {
    if (name == nullptr || *name == 0) {
        return nullptr;
    }
    const std::u16string_view wanted(name);
    Guard guard(m_Lock);
    for (CObject* c : m_Children) {
        Guard childGuard(c->m_Lock);
        if (c->m_pName != nullptr && *c->m_pName == wanted) {
            c->AddRef();
            return c;
        }
    }
    return nullptr;
}

bool CObject::MoveChild(CObject* child, int index) {
    Guard guard(m_Lock);
    const auto it = std::find(m_Children.begin(), m_Children.end(), child);
    const int count = static_cast<int>(m_Children.size());
    if (index == kLast) {
        index = count - 1;
    }
    if (it == m_Children.end() || index < 0 || index >= count) {
        return false;
    }
    const auto target = m_Children.begin() + index;
    if (it < target) {
        std::rotate(it, it + 1, target + 1);
    } else {
        std::rotate(target, it, it + 1);
    }
    return true;
}

int CObject::GetObjectName(char16_t* buffer, int size) {
    Guard guard(m_Lock);
    const size_t length = m_pName == nullptr ? 0 : m_pName->size();
    if (buffer == nullptr || size < 1) {
        return static_cast<int>(length);
    }
    const size_t n = std::min(length, static_cast<size_t>(size) - 1);
    if (n != 0) {
        std::copy_n(m_pName->data(), n, buffer);
    }
    buffer[n] = 0;
    return kNameCopied;
}

std::u16string CObject::GetObjectName() {
    Guard guard(m_Lock);
    return m_pName == nullptr ? std::u16string() : *m_pName;
}

void CObject::SetObjectName(const char16_t* name) {
    std::unique_ptr<std::u16string> copy;
    if (name != nullptr && *name != 0) {
        copy = std::make_unique<std::u16string>(name);
    }
    Guard guard(m_Lock);
    m_pName = std::move(copy);
}

bool CObject::AddListenerOneWay(CObject* other) {
    Guard guard(m_Lock);
    if (m_pListeners == nullptr) {
        m_pListeners = std::make_unique<std::vector<CObject*>>();
    }
    if (std::find(m_pListeners->begin(), m_pListeners->end(), other) != m_pListeners->end()) {
        return false;
    }
    m_pListeners->push_back(other);
    return true;
}

void CObject::AddListener(CObject* other) {
    // Both sides must hear of the other's disposal, or one would keep a dangling pointer.
    if (other == nullptr || other == this || !m_bNotifications || !other->m_bNotifications) {
        return;
    }
    const bool added = AddListenerOneWay(other);
    try {
        other->AddListenerOneWay(this);
    } catch (...) {
        if (added) {
            Guard guard(m_Lock);
            std::erase(*m_pListeners, other);
        }
        throw;
    }
}

void CObject::SetLink(CObject* object, bool owns) {
    owns = owns && object != nullptr;
    if (owns) {
        object->AddRef();
    }
    CObject* previous = nullptr;
    {
        Guard guard(m_Lock);
        previous = m_bOwnsLink ? m_pLink : nullptr;
        m_pLink = object;
        m_bOwnsLink = owns;
    }
    ReleaseObject(previous);
    if (owns) {
        AddListener(object);
    }
}

CObject* CObject::GetLink() {
    Guard guard(m_Lock);
    return m_pLink != nullptr && m_pLink->TryAddRef() ? m_pLink : nullptr;
}

CObject* CObject::TakeOwnedLink() {
    if (!m_bOwnsLink) {
        return nullptr;
    }
    m_bOwnsLink = false;
    return std::exchange(m_pLink, nullptr);
}

bool CObject::IsDisposed() {
    Guard guard(m_Lock);
    return (m_nState & kDisposing) != 0;
}

long ReleaseObject(CObject* object) {
    return object == nullptr ? 0 : object->Release();
}

}  // namespace zev
