// text_index.h - TextIndex: an open-addressing hash index from text keys to entries the caller
// owns (pointers or numbers). The keys stay in the entries; the index holds only a hash and a
// reference per entry, in one array, so a lookup is a probe or two and an insertion allocates
// nothing until the array doubles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <type_traits>
#include <utility>

namespace platform {

// A text key's two hashes from one pass over it: the framework map's bucket hash (h = h * 33 + c)
// and the index's 64-bit hash, which is not the bucket hash, as that is too weak to probe by.
struct KeyHashes {
    uint32_t bucket;
    uint64_t index;
};
inline KeyHashes HashKeys(std::u16string_view key) {
    // Bucket: four units a step (33^2 = 1089, 33^3 = 35937, 33^4 = 1185921), the same value with
    // the multiplications of a step independent of one another. Index: four units a chunk.
    constexpr uint64_t kMul = 0x9E3779B97F4A7C15ull;
    uint32_t h = 0;
    uint64_t t = key.size() * kMul;
    size_t i = 0;
    for (; i + 4 <= key.size(); i += 4) {
        h = h * 1185921u + key[i] * 35937u + key[i + 1] * 1089u + key[i + 2] * 33u + key[i + 3];
        uint64_t chunk = 0;
        std::memcpy(&chunk, key.data() + i, sizeof chunk);
        t = (t ^ chunk) * kMul;
        t ^= t >> 29;
    }
    for (; i < key.size(); ++i) {
        h = h * 33 + key[i];
        t = (t ^ key[i]) * kMul;
    }
    t *= kMul;
    return {h, t ^ (t >> 32)};  // the probe starts from the low bits: fold the high ones in
}

// The index's hash alone; the bucket half is dead code and goes.
inline uint64_t TextHash(std::u16string_view key) {
    return HashKeys(key).index;
}

// Equality of two texts by memcmp: char_traits<char16_t> compares a unit at a time, twice.
inline bool SameText(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(char16_t)) == 0);
}

// Ref is a pointer or an integer; a value-initialised Ref (null, 0) never goes in. A 32-bit Ref
// is kept with the low half of its hash, so that a slot takes eight bytes: a large index is
// probed at random, and half the size is half the cache it misses.
template <class Ref>
class TextIndex {
  public:
    size_t GetCount() const { return m_count; }

    // The entry whose key is key; keyOf(ref) gives an entry's key. Ref{} when none.
    template <class KeyOf>
    Ref Find(std::u16string_view key, uint64_t hash, KeyOf&& keyOf) const {
        return m_slots == nullptr ? Ref{} : At(Probe(key, hash, keyOf));
    }

    // Find and Insert in one probe: the slot of the entry whose key is key, or else of the free
    // one where it would go. Reserve first; the slot stays good until the index next changes.
    template <class KeyOf>
    size_t Probe(std::u16string_view key, uint64_t hash, KeyOf&& keyOf) const {
        for (size_t i = hash & m_mask;; i = (i + 1) & m_mask) {
            const Slot& slot = m_slots[i];
            if (slot.ref == Ref{} ||
                (slot.hash == static_cast<StoredHash>(hash) && SameText(keyOf(slot.ref), key))) {
                return i;
            }
        }
    }
    // The entry in a slot Probe gave, Ref{} if it is free.
    Ref At(size_t slot) const { return m_slots[slot].ref; }
    // Fills the free slot Probe gave for this key.
    void InsertAt(size_t slot, Ref ref, uint64_t hash) {
        m_slots[slot] = Slot{static_cast<StoredHash>(hash), ref};
        ++m_count;
    }

    // Room for count entries in all; throws std::bad_alloc, leaving the index as it was.
    void Reserve(size_t count) {
        // At most three quarters full keeps the probes short.
        if (count + count / 3 < Capacity()) {
            return;
        }
        size_t capacity = Capacity() == 0 ? 16 : Capacity();
        while (count + count / 3 >= capacity) {
            capacity *= 2;
        }
        std::unique_ptr<Slot[]> grown(new Slot[capacity]());
        const size_t mask = capacity - 1;
        for (size_t i = 0; i < Capacity(); ++i) {
            if (m_slots[i].ref != Ref{}) {
                Place(grown.get(), mask, m_slots[i]);
            }
        }
        m_slots = std::move(grown);
        m_mask = mask;
    }

    // Adds an entry whose key is not in the index yet. Never allocates: Reserve first.
    void Insert(Ref ref, uint64_t hash) {
        Place(m_slots.get(), m_mask, Slot{static_cast<StoredHash>(hash), ref});
        ++m_count;
    }

    // Removes the entry ref (filed under hash), closing the gap so that no probe stops short.
    void Erase(Ref ref, uint64_t hash) {
        if (m_slots == nullptr) {
            return;
        }
        size_t i = hash & m_mask;
        while (m_slots[i].ref != ref) {
            if (m_slots[i].ref == Ref{}) {
                return;
            }
            i = (i + 1) & m_mask;
        }
        for (size_t j = (i + 1) & m_mask; m_slots[j].ref != Ref{}; j = (j + 1) & m_mask) {
            // The entry at j may fill the gap at i only if i lies on its probe path.
            const size_t home = m_slots[j].hash & m_mask;
            if (((j - home) & m_mask) >= ((j - i) & m_mask)) {
                m_slots[i] = m_slots[j];
                i = j;
            }
        }
        m_slots[i] = Slot{};
        --m_count;
    }

    void Clear() {
        m_slots.reset();
        m_mask = 0;
        m_count = 0;
    }

  private:
    using StoredHash = std::conditional_t<sizeof(Ref) <= sizeof(uint32_t), uint32_t, uint64_t>;
    struct Slot {
        StoredHash hash;  // the probe starts from its low bits, which it keeps either way
        Ref ref;
    };

    size_t Capacity() const { return m_slots == nullptr ? 0 : m_mask + 1; }

    static void Place(Slot* table, size_t mask, const Slot& slot) {
        size_t i = slot.hash & mask;
        while (table[i].ref != Ref{}) {
            i = (i + 1) & mask;
        }
        table[i] = slot;
    }

    std::unique_ptr<Slot[]> m_slots;
    size_t m_mask = 0;
    size_t m_count = 0;
};

}  // namespace platform
