// flat_pairs.h - CFlatPairs: a packet's qualified-name/value pairs, kept as a flat value map
// (CMetaData::ValueMap) would keep them, without a map entry or two strings per pair.
//
// Set behaves as the map's SetAt (a new key is added, a known key takes the new value and keeps
// its place) and MapOrder gives the map's iteration order (bucket by bucket, HashKey % 17, each
// bucket from its newest key). The texts live end to end in chunks, each null-terminated, so a
// packet of many pairs costs a few allocations instead of several per pair.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/text_index.h"
#include "platform/types.h"

class CFlatPairs {
  public:
    // Throws std::bad_alloc, leaving the pairs as they were.
    void Set(std::u16string_view key, std::u16string_view value);

    size_t GetCount() const { return m_count; }

    // Calls fn(handle) for each pair in the flat value map's iteration order.
    template <class Fn>
    void ForEachInMapOrder(Fn&& fn) const {
        for (size_t b = 0; b < kBuckets; ++b) {
            for (size_t i = m_buckets[b].entries.size(); i-- > 0;) {
                fn(i * kBuckets + b);
            }
        }
    }
    // Null-terminated; valid until the pairs are destroyed.
    const char16_t* Key(size_t handle) const { return At(handle).key; }
    size_t KeyLength(size_t handle) const { return At(handle).keyLength; }
    const char16_t* Value(size_t handle) const { return At(handle).value; }
    size_t ValueLength(size_t handle) const { return At(handle).valueLength; }

  private:
    static constexpr size_t kBuckets = 17;  // a value map's bucket count

    struct Entry {
        const char16_t* key;
        const char16_t* value;
        size_t keyLength;
        size_t valueLength;
    };
    // Each bucket keeps its entries and texts apart, in the order they came, so that walking the
    // pairs in the map's order reads memory backwards but in sequence, not scattered.
    struct Bucket {
        std::vector<Entry> entries;
        std::vector<std::unique_ptr<char16_t[]>> chunks;
        char16_t* free = nullptr;  // the unused end of the last chunk
        size_t freeLength = 0;
        size_t nextChunkLength = 256;

        // A null-terminated copy of text.
        const char16_t* Store(std::u16string_view text);
    };

    const Entry& At(size_t handle) const {
        return m_buckets[handle % kBuckets].entries[handle / kBuckets];
    }

    Bucket m_buckets[kBuckets];
    size_t m_count = 0;
    platform::TextIndex<size_t> m_index;  // handle + 1
};
