// carray.h - CArray: the framework's growable array, laid out as the framework lays it out
// (table pointer, data, size, capacity, grow-by), because arrays of records cross the host
// boundary.
//
// Only trivially copyable element types (pointers) are supported: that is all this library stores,
// and it lets the storage be plain zero-filled memory. The table pointer is never read or written
// after construction: a host may hand in an array it built itself.
#pragma once

#include <cstring>
#include <new>
#include <type_traits>

#include "platform/types.h"

namespace platform {
// The marker our own array objects carry in their first word.
extern const void* const kArrayTable;
}  // namespace platform

template <class TYPE, class ARG_TYPE = TYPE>
class CArray {
    static_assert(std::is_trivially_copyable_v<TYPE>, "CArray holds plain values only");

  public:
    CArray() = default;
    CArray(const CArray&) = delete;
    CArray& operator=(const CArray&) = delete;
    ~CArray() { FreeStorage(); }

    INT_PTR GetSize() const { return m_nSize; }
    INT_PTR GetCount() const { return m_nSize; }
    bool IsEmpty() const { return m_nSize == 0; }
    INT_PTR GetUpperBound() const { return m_nSize - 1; }
    INT_PTR GetGrowBy() const { return m_nGrowBy; }
    // How many slots each growth adds; 0 for the framework's default step (see SetSize).
    void SetGrowBy(INT_PTR growBy) { m_nGrowBy = growBy; }
    TYPE* GetData() { return m_pData; }
    const TYPE* GetData() const { return m_pData; }
    TYPE GetAt(INT_PTR i) const { return m_pData[i]; }
    void SetAt(INT_PTR i, ARG_TYPE v) { m_pData[i] = v; }
    TYPE& ElementAt(INT_PTR i) { return m_pData[i]; }
    TYPE& operator[](INT_PTR i) { return m_pData[i]; }
    TYPE operator[](INT_PTR i) const { return m_pData[i]; }

    // The framework's growth rule. Size 0 frees the storage; from no storage it allocates
    // max(newSize, growBy) slots; past the capacity it grows by growBy, or when that is 0 by
    // max(4, min(1024, size / 8)), or to exactly newSize when that is larger. New slots are zero.
    // Throws std::bad_alloc and leaves the array unchanged when storage cannot be had.
    void SetSize(INT_PTR newSize, INT_PTR growBy = -1) {
        if (newSize < 0) {
            throw std::bad_alloc();
        }
        if (growBy >= 0) {
            m_nGrowBy = growBy;
        }
        if (newSize == 0) {
            FreeStorage();
            return;
        }
        if (m_pData == nullptr) {
            const INT_PTR alloc = newSize > m_nGrowBy ? newSize : m_nGrowBy;
            m_pData = Allocate(alloc);
            std::memset(static_cast<void*>(m_pData), 0, Bytes(alloc));
            m_nSize = newSize;
            m_nMaxSize = alloc;
            return;
        }
        if (newSize <= m_nMaxSize) {
            if (newSize > m_nSize) {
                std::memset(static_cast<void*>(m_pData + m_nSize), 0, Bytes(newSize - m_nSize));
            }
            m_nSize = newSize;
            return;
        }
        Reallocate(GrownCapacity(m_nSize, m_nMaxSize, newSize));
        m_nSize = newSize;
    }

    // Allocates now the capacity that adding elements one at a time up to size count would end
    // with, so that those adds allocate nothing and leave the array exactly as they would have.
    // Throws std::bad_alloc and leaves the array unchanged when storage cannot be had.
    void ReserveForAdds(INT_PTR count) {
        if (count <= m_nSize) {
            return;
        }
        // From no storage the first add allocates max(1, growBy); every later growth finds the
        // array full.
        INT_PTR max = m_pData != nullptr ? m_nMaxSize : (m_nGrowBy > 1 ? m_nGrowBy : 1);
        while (max < count) {
            max = GrownCapacity(max, max, max + 1);
        }
        if (m_pData == nullptr) {
            m_pData = Allocate(max);
            std::memset(static_cast<void*>(m_pData), 0, Bytes(max));
            m_nMaxSize = max;
        } else if (max > m_nMaxSize) {
            Reallocate(max);
        }
    }

    // This array becomes a copy of from's elements with from's size and capacity, so that it grows
    // in the same steps as from would. Throws std::bad_alloc and leaves the array unchanged when
    // storage cannot be had.
    void CopyStorage(const CArray& from) {
        if (from.m_nMaxSize <= 0) {
            FreeStorage();
            return;
        }
        TYPE* data = Allocate(from.m_nMaxSize);
        std::memset(static_cast<void*>(data), 0, Bytes(from.m_nMaxSize));
        std::memcpy(static_cast<void*>(data), from.m_pData, Bytes(from.m_nSize));
        FreeStorage();
        m_pData = data;
        m_nSize = from.m_nSize;
        m_nMaxSize = from.m_nMaxSize;
    }

    // Frees this array's storage and takes over from's: elements, size and capacity; from is left
    // empty. The grow-by settings stay as they are. Allocates nothing, so it cannot fail: the step
    // that publishes an array built aside.
    void TakeStorage(CArray& from) noexcept {
        if (&from == this) {
            return;
        }
        FreeStorage();
        m_pData = from.m_pData;
        m_nSize = from.m_nSize;
        m_nMaxSize = from.m_nMaxSize;
        from.m_pData = nullptr;
        from.m_nSize = 0;
        from.m_nMaxSize = 0;
    }

    INT_PTR Add(ARG_TYPE v) {
        const INT_PTR i = m_nSize;
        SetSize(i + 1);
        m_pData[i] = v;
        return i;
    }

    void SetAtGrow(INT_PTR i, ARG_TYPE v) {
        if (i >= m_nSize) {
            SetSize(i + 1);
        }
        m_pData[i] = v;
    }

    void InsertAt(INT_PTR i, ARG_TYPE v, INT_PTR count = 1) {
        if (i >= m_nSize) {
            SetSize(i + count);
        } else {
            const INT_PTR old = m_nSize;
            SetSize(m_nSize + count);
            std::memmove(static_cast<void*>(m_pData + i + count), m_pData + i, Bytes(old - i));
        }
        for (INT_PTR k = 0; k < count; ++k) {
            m_pData[i + k] = v;
        }
    }

    void RemoveAt(INT_PTR i, INT_PTR count = 1) {
        const INT_PTR moved = m_nSize - (i + count);
        if (moved > 0) {
            std::memmove(static_cast<void*>(m_pData + i), m_pData + i + count, Bytes(moved));
        }
        m_nSize -= count;
    }

    void RemoveAll() { SetSize(0, -1); }

  private:
    // The capacity after growing an array of size and capacity max to newSize > max.
    INT_PTR GrownCapacity(INT_PTR size, INT_PTR max, INT_PTR newSize) const {
        INT_PTR grow = m_nGrowBy;
        if (grow == 0) {
            grow = size / 8;
            grow = grow < 4 ? 4 : (grow > 1024 ? 1024 : grow);
        }
        return newSize < max + grow ? max + grow : newSize;
    }

    // Moves the elements to new zero-filled storage of newMax slots; the size stays.
    void Reallocate(INT_PTR newMax) {
        TYPE* data = Allocate(newMax);
        std::memcpy(static_cast<void*>(data), m_pData, Bytes(m_nSize));
        std::memset(static_cast<void*>(data + m_nSize), 0, Bytes(newMax - m_nSize));
        ::operator delete(static_cast<void*>(m_pData));
        m_pData = data;
        m_nMaxSize = newMax;
    }

    // The bytes of n elements (TYPE is usually a pointer, and the pointer's size is meant).
    static size_t Bytes(INT_PTR n) {
        return sizeof(TYPE) * static_cast<size_t>(n);  // NOLINT(bugprone-sizeof-expression)
    }
    static TYPE* Allocate(INT_PTR n) {
        if (static_cast<size_t>(n) > static_cast<size_t>(PTRDIFF_MAX) / Bytes(1)) {
            throw std::bad_alloc();
        }
        return static_cast<TYPE*>(::operator new(Bytes(n)));
    }
    void FreeStorage() {
        ::operator delete(static_cast<void*>(m_pData));
        m_pData = nullptr;
        m_nSize = 0;
        m_nMaxSize = 0;
    }

  public:
    // Layout fields, in the framework's order; public so the boundary checks can see them.
    const void* m_pVtbl = platform::kArrayTable;
    TYPE* m_pData = nullptr;
    INT_PTR m_nSize = 0;
    INT_PTR m_nMaxSize = 0;
    INT_PTR m_nGrowBy = 0;
};
