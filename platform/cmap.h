// cmap.h - CMap: the framework's hash map, with the behaviour that shows outside:
//  - hash: h = h*33 + c over UTF-16 units for text keys, (value >> 4) for pointer and integer keys;
//  - 17 buckets by default; entries allocated in blocks (10 by default) and recycled via a free
//  list;
//  - a new key goes to the head of its bucket; re-assigning a key keeps its place;
//  - iteration: buckets 0..n-1, each from its newest entry to its oldest;
//  - the object layout (table pointer, hash table, table size, count, free list, blocks, block
//  size)
//    and the entry layout (key, value, next, hash), because a pointer-keyed map crosses the
//    boundary.
// Text-keyed maps also keep an index beside the buckets, so lookups stay O(1) however many keys
// share the 17 buckets; the iteration order is that of the buckets alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <string_view>
#include <type_traits>
#include <utility>

#include "platform/cstring.h"
#include "platform/text_index.h"
#include "platform/types.h"

namespace platform {

extern const void* const kMapTable;

// The framework's bucket hash; alone, HashKeys' index half is dead code and goes.
inline UINT HashKey(std::u16string_view key) {
    return HashKeys(key).bucket;
}
inline UINT HashKey(const CString& key) {
    return HashKey(key.view());
}
inline UINT HashKey(LPCWSTR key) {
    return HashKey(std::u16string_view(key == nullptr ? u"" : key));
}
template <class T>
inline UINT HashKey(T* key) {
    return static_cast<UINT>(reinterpret_cast<uintptr_t>(key) >> 4);
}
inline UINT HashKey(int key) {
    return static_cast<UINT>(key) >> 4;
}

// Key equality and lookup views per key kind.
template <class KEY>
struct MapKeyTraits {
    static constexpr bool kIndexed = false;
    template <class A>
    static bool Equal(const KEY& k, const A& a) {
        return k == a;
    }
};
template <>
struct MapKeyTraits<CString> {
    static constexpr bool kIndexed = true;
    static std::u16string_view View(const CString& k) { return k.view(); }
    static std::u16string_view View(LPCWSTR k) { return k == nullptr ? u"" : k; }
    static bool Equal(const CString& k, LPCWSTR a) { return View(k) == View(a); }
    static bool Equal(const CString& k, const CString& a) { return k == a; }
};

// Empty unless the key is text: then a hash index from key text to entry.
template <class Assoc, bool kIndexed>
struct MapIndex {};
template <class Assoc>
struct MapIndex<Assoc, true> {
    TextIndex<Assoc*> index;
};

struct CPlex {
    CPlex* pNext;
    void* data() { return this + 1; }
};

}  // namespace platform

template <class KEY, class VALUE>
struct CMapAssoc {
    KEY key;
    VALUE value;
    CMapAssoc* pNext;
    UINT nHashValue;
};

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
class CMap {
  public:
    using CAssoc = CMapAssoc<KEY, VALUE>;
    using Traits = platform::MapKeyTraits<KEY>;

    explicit CMap(INT_PTR blockSize = 10) : m_nBlockSize(blockSize > 0 ? blockSize : 10) {}
    CMap(const CMap&) = delete;
    CMap& operator=(const CMap&) = delete;
    ~CMap() { RemoveAll(); }

    INT_PTR GetCount() const { return m_nCount; }
    INT_PTR GetSize() const { return m_nCount; }
    bool IsEmpty() const { return m_nCount == 0; }

    bool Lookup(ARG_KEY key, VALUE& value) const {
        const CAssoc* a = Find(key);
        if (a == nullptr) {
            return false;
        }
        value = a->value;
        return true;
    }

    // The value slot of key, inserting a default value when key is new.
    VALUE& operator[](ARG_KEY key) { return GetOrInsert(key)->value; }

    void SetAt(ARG_KEY key, ARG_VALUE value) {
        CAssoc* a = Find(key);
        if (a != nullptr) {
            a->value = VALUE(value);
            return;
        }
        // Build the value first so that a throwing copy leaves the map unchanged.
        VALUE v(value);
        Insert(key, platform::HashKey(key))->value = std::move(v);
    }

    // Inserts without looking key up first. Only for keys known to be absent (fresh pointers).
    void InsertNew(ARG_KEY key, ARG_VALUE value) {
        VALUE v(value);
        Insert(key, platform::HashKey(key))->value = std::move(v);
    }

    bool RemoveKey(ARG_KEY key) {
        if (m_pHashTable == nullptr) {
            return false;
        }
        const UINT hash = platform::HashKey(key);
        CAssoc** link = &m_pHashTable[hash % m_nHashTableSize];
        for (CAssoc* a = *link; a != nullptr; link = &a->pNext, a = a->pNext) {
            if (a->nHashValue == hash && Traits::Equal(a->key, key)) {
                *link = a->pNext;
                IndexErase(a);
                FreeAssoc(a);
                return true;
            }
        }
        return false;
    }

    void RemoveAll() {
        if (m_pHashTable != nullptr) {
            DestroyEntries();
            delete[] m_pHashTable;
            m_pHashTable = nullptr;
        }
        m_nCount = 0;
        m_pFreeList = nullptr;
        while (m_pBlocks != nullptr) {
            platform::CPlex* next = m_pBlocks->pNext;
            ::operator delete(static_cast<void*>(m_pBlocks));
            m_pBlocks = next;
        }
        if constexpr (Traits::kIndexed) {
            m_Index.index.Clear();
        }
    }

    POSITION GetStartPosition() const {
        if (m_nCount == 0 || m_pHashTable == nullptr) {
            return nullptr;
        }
        for (UINT b = 0; b < m_nHashTableSize; ++b) {
            if (m_pHashTable[b] != nullptr) {
                return reinterpret_cast<POSITION>(m_pHashTable[b]);
            }
        }
        return nullptr;
    }

    void GetNextAssoc(POSITION& pos, KEY& key, VALUE& value) const {
        const CAssoc* a = reinterpret_cast<const CAssoc*>(pos);
        key = a->key;
        value = a->value;
        pos = reinterpret_cast<POSITION>(Next(a));
    }

    // The entry at pos, advancing pos; for walks that must not copy keys.
    const CAssoc* GetNextAssocPtr(POSITION& pos) const {
        const CAssoc* a = reinterpret_cast<const CAssoc*>(pos);
        pos = reinterpret_cast<POSITION>(Next(a));
        return a;
    }

    CAssoc* GetNextAssocPtr(POSITION& pos) {
        CAssoc* a = reinterpret_cast<CAssoc*>(pos);
        pos = reinterpret_cast<POSITION>(Next(a));
        return a;
    }

    const CAssoc* PLookup(ARG_KEY key) const { return Find(key); }
    CAssoc* PLookup(ARG_KEY key) { return Find(key); }

    // Text keys: the entry under key, taken as it is, so a part of a longer text can be looked up
    // without copying it out.
    const CAssoc* PLookupText(std::u16string_view key) const requires Traits::kIndexed {
        return FindText(key);
    }

    // Text keys: makes the index ready for count keys in all, so that a run of insertions does
    // not regrow it. Changes nothing that shows (the buckets and the order stay as they are).
    void ReserveKeys(INT_PTR count) requires Traits::kIndexed {
        if (count > 0) {
            m_Index.index.Reserve(static_cast<size_t>(count));
        }
    }

  private:
    // Destroys every entry's key and value. Block by block when few entries are free (always,
    // unless keys were removed): the entries then go in about the order they were made, which is
    // the order their texts were allocated, instead of hopping from bucket to bucket through
    // memory, which is what freeing a large map cost.
    void DestroyEntries() {
        constexpr size_t kMaxFree = 32;
        const CAssoc* unused[kMaxFree];
        size_t unusedCount = 0;
        for (const CAssoc* a = m_pFreeList; a != nullptr; a = a->pNext) {
            if (unusedCount == kMaxFree) {
                for (UINT b = 0; b < m_nHashTableSize; ++b) {
                    for (CAssoc* e = m_pHashTable[b]; e != nullptr; e = e->pNext) {
                        e->key.~KEY();
                        e->value.~VALUE();
                    }
                }
                return;
            }
            unused[unusedCount++] = a;
        }
        const auto n = static_cast<size_t>(m_nBlockSize);
        const std::less<const CAssoc*> before;
        for (platform::CPlex* p = m_pBlocks; p != nullptr; p = p->pNext) {
            auto* first = static_cast<CAssoc*>(p->data());
            size_t inBlock = 0;
            for (size_t u = 0; u < unusedCount; ++u) {
                inBlock += !before(unused[u], first) && before(unused[u], first + n) ? 1 : 0;
            }
            for (size_t i = 0; i < n; ++i) {
                CAssoc* a = first + i;
                bool isUnused = false;
                for (size_t u = 0; inBlock > 0 && u < unusedCount && !isUnused; ++u) {
                    isUnused = unused[u] == a;
                }
                if (!isUnused) {
                    a->key.~KEY();
                    a->value.~VALUE();
                }
            }
        }
    }

    CAssoc* Next(const CAssoc* a) const {
        if (a->pNext != nullptr) {
            return a->pNext;
        }
        for (UINT b = a->nHashValue % m_nHashTableSize + 1; b < m_nHashTableSize; ++b) {
            if (m_pHashTable[b] != nullptr) {
                return m_pHashTable[b];
            }
        }
        return nullptr;
    }

    CAssoc* Find(ARG_KEY key) const {
        if constexpr (Traits::kIndexed) {
            return FindText(Traits::View(key));
        } else {
            if (m_pHashTable == nullptr) {
                return nullptr;
            }
            const UINT hash = platform::HashKey(key);
            for (CAssoc* a = m_pHashTable[hash % m_nHashTableSize]; a != nullptr; a = a->pNext) {
                if (a->nHashValue == hash && Traits::Equal(a->key, key)) {
                    return a;
                }
            }
            return nullptr;
        }
    }

    CAssoc* FindText(std::u16string_view key) const requires Traits::kIndexed {
        if (m_nCount == 0) {
            return nullptr;
        }
        return m_Index.index.Find(key, platform::TextHash(key),
                                  [](const CAssoc* a) { return Traits::View(a->key); });
    }

    CAssoc* GetOrInsert(ARG_KEY key) {
        CAssoc* a = Find(key);
        return a != nullptr ? a : Insert(key, platform::HashKey(key));
    }

    // Links a new entry at the head of its bucket. Everything that can throw happens before the
    // entry is linked, so a failure leaves the map as it was.
    CAssoc* Insert(ARG_KEY key, UINT hash) {
        if (m_pHashTable == nullptr) {
            m_pHashTable = new CAssoc*[m_nHashTableSize]();
        }
        uint64_t textHash = 0;
        if constexpr (Traits::kIndexed) {
            m_Index.index.Reserve(static_cast<size_t>(m_nCount) + 1);
            textHash = platform::TextHash(Traits::View(key));
        }
        CAssoc* a = NewAssoc(key);
        a->nHashValue = hash;
        if constexpr (Traits::kIndexed) {
            m_Index.index.Insert(a, textHash);
        }
        CAssoc** head = &m_pHashTable[hash % m_nHashTableSize];
        a->pNext = *head;
        *head = a;
        return a;
    }

    CAssoc* NewAssoc(ARG_KEY key) {
        if (m_pFreeList == nullptr) {
            const size_t n = static_cast<size_t>(m_nBlockSize);
            auto* plex = static_cast<platform::CPlex*>(
                ::operator new(sizeof(platform::CPlex) + n * sizeof(CAssoc)));
            plex->pNext = m_pBlocks;
            m_pBlocks = plex;
            auto* first = static_cast<CAssoc*>(plex->data());
            for (size_t i = n; i-- > 0;) {
                first[i].pNext = m_pFreeList;
                m_pFreeList = &first[i];
            }
        }
        CAssoc* a = m_pFreeList;
        CAssoc* rest = a->pNext;
        ::new (static_cast<void*>(&a->key)) KEY(key);
        try {
            ::new (static_cast<void*>(&a->value)) VALUE();
        } catch (...) {
            a->key.~KEY();
            throw;
        }
        m_pFreeList = rest;
        ++m_nCount;
        return a;
    }

    void FreeAssoc(CAssoc* a) {
        a->key.~KEY();
        a->value.~VALUE();
        a->pNext = m_pFreeList;
        m_pFreeList = a;
        if (--m_nCount == 0) {
            RemoveAll();
        }
    }

    void IndexErase(CAssoc* a) {
        if constexpr (Traits::kIndexed) {
            m_Index.index.Erase(a, platform::TextHash(Traits::View(a->key)));
        }
    }

  public:
    // Layout fields, in the framework's order.
    const void* m_pVtbl = platform::kMapTable;
    CAssoc** m_pHashTable = nullptr;
    UINT m_nHashTableSize = 17;
    INT_PTR m_nCount = 0;
    CAssoc* m_pFreeList = nullptr;
    platform::CPlex* m_pBlocks = nullptr;
    INT_PTR m_nBlockSize;
    // Not part of the layout: takes no space for pointer keys.
    [[no_unique_address]] platform::MapIndex<CAssoc, Traits::kIndexed> m_Index;
};
