// value_map.h - ValueMap: a metadata source's values (a namespace's group, the namespace list, or
// a packet's flat pairs) as the framework's map of CString keys and values would hold them,
// without a map entry and two strings per value.
//
// SetAt behaves as the map's (a new key is added, a known key takes the new value and keeps its
// place) and the order is the map's (bucket by bucket, HashKey % 17, each bucket from its newest
// key), which is what the editor and the host are shown. The texts live end to end in blocks that
// several maps can share: the groups of a source point into the blocks its packet's pairs were
// read into, so splitting a packet by namespace copies no text, and freeing a source frees a few
// blocks instead of two strings per value. Every text is NUL-terminated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/text_index.h"
#include "platform/types.h"

class ValueMap {
  public:
    // Three words: a packet's pairs and groups hold one each per value.
    class Entry {
      public:
        Entry(std::u16string_view key, std::u16string_view value)
            : m_key(key.data()),
              m_value(value.data()),
              m_keyLength(static_cast<uint32_t>(key.size())),
              m_valueLength(static_cast<uint32_t>(value.size())) {}
        std::u16string_view key() const { return {m_key, m_keyLength}; }
        std::u16string_view value() const { return {m_value, m_valueLength}; }
        void SetValue(std::u16string_view value) {
            m_value = value.data();
            m_valueLength = static_cast<uint32_t>(value.size());
        }

      private:
        const char16_t* m_key;
        const char16_t* m_value;
        uint32_t m_keyLength;
        uint32_t m_valueLength;
    };

    ValueMap() = default;
    ValueMap(const ValueMap&) = delete;
    ValueMap& operator=(const ValueMap&) = delete;

    size_t GetCount() const { return m_count; }
    bool IsEmpty() const { return m_count == 0; }

    // Copies key and value in. Throws std::bad_alloc, leaving the map as it was.
    void SetAt(std::u16string_view key, std::u16string_view value);

    // For a packet's pairs, set by the thousand and never looked up until all are set: Add copies
    // key and value in (a value in UTF-8 is converted straight into the map) without looking the
    // key up, and Settle, once all are added, resolves each key added more than once as SetAt
    // would have (its first place, its last value) and builds the index. Until Settle only Add
    // may be called. Throw std::bad_alloc: after Add the map is as it was; after Settle it holds
    // no entry.
    void Add(std::u16string_view key, std::u16string_view value);
    void Add(std::u16string_view key, std::string_view utf8Value);
    void Settle();

    // Shares from's texts (before anything is set): SetShared can then take views of them.
    void ShareTexts(const ValueMap& from);
    // SetAt for texts that live in the shared blocks already, NUL-terminated: nothing is copied.
    void SetShared(std::u16string_view key, std::u16string_view value);

    // Room for count keys in all, so that a run of insertions does not regrow the index.
    void ReserveKeys(size_t count);

    // The entry under key, or null.
    const Entry* Lookup(std::u16string_view key) const;

    // Calls fn(entry) for each entry in the map's order.
    template <class Fn>
    void ForEach(Fn&& fn) const {
        for (size_t b = 0; b < kBuckets; ++b) {
            const std::vector<Entry>& entries = m_buckets[b];
            for (size_t i = entries.size(); i-- > 0;) {
                fn(entries[i]);
            }
        }
    }
    // The same walk a step at a time: null at the end.
    POSITION GetStartPosition() const;
    const Entry& GetNext(POSITION& pos) const;

    void RemoveAll();

  private:
    static constexpr size_t kBuckets = 17;  // the framework map's default
    class Texts;

    // Adds or updates the entry; copy says whether the texts must be copied into the blocks.
    void Set(std::u16string_view key, std::u16string_view value, bool copy);
    template <class ValueText>
    void Append(std::u16string_view key, ValueText value);
    const Entry& At(size_t handle) const { return m_buckets[handle % kBuckets][handle / kBuckets]; }
    POSITION After(size_t bucket) const;

    std::vector<Entry> m_buckets[kBuckets];  // each in insertion order
    size_t m_count = 0;
    platform::TextIndex<uint32_t> m_index;  // handle + 1, handle = index * kBuckets + bucket
    std::shared_ptr<Texts> m_texts;
    // From Add to Settle: each added entry's index hash (the low half, all the index keeps), in
    // the entries' places, so that settling does not hash every key again.
    std::unique_ptr<std::vector<uint32_t>[]> m_addedHashes;
};
