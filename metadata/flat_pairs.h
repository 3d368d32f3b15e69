// flat_pairs.h - CFlatPairs: a packet's qualified-name/value pairs, kept as a flat value map
// (CMetaData::ValueMap) would keep them, without a map entry or two strings per pair.
//
// Set behaves as the map's SetAt (a new key is added, a known key takes the new value and keeps
// its place) and MapOrder gives the map's iteration order (bucket by bucket, HashKey % 17, each
// bucket from its newest key). The texts live end to end in large chunks, each null-terminated,
// so a packet of many pairs costs a few allocations instead of several per pair.
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

    size_t GetCount() const { return m_entries.size(); }
    // Null-terminated; valid until the pairs are destroyed.
    const char16_t* Key(size_t i) const { return m_entries[i].key; }
    size_t KeyLength(size_t i) const { return m_entries[i].keyLength; }
    const char16_t* Value(size_t i) const { return m_entries[i].value; }
    size_t ValueLength(size_t i) const { return m_entries[i].valueLength; }

    // The entries' indexes in the flat value map's iteration order.
    std::vector<size_t> MapOrder() const;

  private:
    struct Entry {
        const char16_t* key;
        const char16_t* value;
        size_t keyLength;
        size_t valueLength;
        UINT bucketHash;  // the map's own hash of the key, which places it in a bucket
    };

    // A null-terminated copy of text in the chunks.
    const char16_t* Store(std::u16string_view text);

    std::vector<Entry> m_entries;
    platform::TextIndex<size_t> m_index;  // entry index + 1
    std::vector<std::unique_ptr<char16_t[]>> m_chunks;
    char16_t* m_free = nullptr;  // the unused end of the last chunk
    size_t m_freeLength = 0;
};
