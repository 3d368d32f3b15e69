// value_map.cpp - ValueMap: entries bucket by bucket, texts in shared blocks, an index for
// lookups.
#include "metadata/value_map.h"

#include <algorithm>
#include <cstring>

#include "platform/codepage.h"
#include "platform/text_buffer.h"

#include "platform/cmap.h"

namespace {

template <class T>
[[gnu::noinline]] void Grow(std::vector<T>& v) {
    v.reserve(v.empty() ? 16 : v.size() * 2);
}

// Room for one more element, doubling as push_back would, so that the push cannot fail. Called
// for every value: the test stays inline, the growth does not.
template <class T>
inline void GrowFor(std::vector<T>& v) {
    if (v.size() == v.capacity()) [[unlikely]] {
        Grow(v);
    }
}

}  // namespace

// The texts, end to end in blocks that only grow, one lane per bucket of the map that stores
// them: walking a map in its order then reads its texts in sequence, not scattered, which is what
// splitting a large packet by namespace costs.
class ValueMap::Texts {
  public:
    // A NUL-terminated copy of text.
    std::u16string_view Store(std::u16string_view text, size_t lane) {
        char16_t* copy = Room(text.size() + 1, lane);
        if (text.size() <= 16) {
            CopyFew(copy, text.data(), text.size() * sizeof(char16_t));  // most keys: no call
        } else {
            std::memcpy(copy, text.data(), text.size() * sizeof(char16_t));
        }
        return Commit(copy, text.size(), lane);
    }
    // A NUL-terminated conversion of UTF-8 text (never more units than bytes).
    std::u16string_view Store(std::string_view utf8, size_t lane) {
        char16_t* copy = Room(utf8.size() + 1, lane);
        return Commit(copy, NarrowToWideUnits(utf8.data(), utf8.size(), copy), lane);
    }

  private:
    // Room for need units at the end of the lane's last block, or in a new one.
    char16_t* Room(size_t need, size_t lane) {
        Lane& l = m_lanes[lane];
        if (need > l.freeLength) [[unlikely]] {
            NewBlock(l, need);
        }
        return l.free;
    }
    struct Lane;
    [[gnu::noinline]] static void NewBlock(Lane& l, size_t need) {
        const size_t length = std::max(need, l.nextLength);
        GrowFor(l.blocks);
        l.blocks.emplace_back(new char16_t[length]);
        l.free = l.blocks.back().get();
        l.freeLength = length;
        l.nextLength = std::min(l.nextLength * 2, kMaxBlockLength);
    }
    std::u16string_view Commit(char16_t* text, size_t length, size_t lane) {
        Lane& l = m_lanes[lane];
        text[length] = u'\0';
        l.free += length + 1;
        l.freeLength -= length + 1;
        return {text, length};
    }

    // A lane's blocks grow to this many units; a longer text gets a block of its own.
    static constexpr size_t kMaxBlockLength = size_t{32} * 1024;

    struct Lane {
        std::vector<std::unique_ptr<char16_t[]>> blocks;
        char16_t* free = nullptr;  // the unused end of the last block
        size_t freeLength = 0;
        size_t nextLength = 256;
    };
    Lane m_lanes[kBuckets];
};

void ValueMap::SetAt(std::u16string_view key, std::u16string_view value) {
    Set(key, value, true);
}

void ValueMap::ShareTexts(const ValueMap& from) {
    m_texts = from.m_texts;
}

void ValueMap::SetShared(std::u16string_view key, std::u16string_view value) {
    Set(key, value, false);
}

void ValueMap::Set(std::u16string_view key, std::u16string_view value, bool copy) {
    // Room for a new key before the probe, so that the slot it finds stays where it is.
    m_index.Reserve(m_count + 1);
    const platform::KeyHashes hashes = platform::HashKeys(key);
    const size_t slot =
        m_index.Probe(key, hashes.index, [this](uint32_t ref) { return At(ref - 1).key(); });
    const size_t found = m_index.At(slot);
    const size_t bucket = found != 0 ? (found - 1) % kBuckets : hashes.bucket % kBuckets;
    if (copy && m_texts == nullptr) {
        m_texts = std::make_shared<Texts>();
    }
    if (copy) {
        value = m_texts->Store(value, bucket);
    }
    if (found != 0) {
        // A known key keeps its place and takes the new value; the old text stays unused.
        m_buckets[bucket][(found - 1) / kBuckets].SetValue(value);
        return;
    }
    // Everything that can fail comes before the entry is added.
    std::vector<Entry>& entries = m_buckets[bucket];
    GrowFor(entries);
    if (copy) {
        key = m_texts->Store(key, bucket);
    }
    entries.push_back(Entry{key, value});
    ++m_count;
    m_index.InsertAt(slot, static_cast<uint32_t>((entries.size() - 1) * kBuckets + bucket + 1),
                     hashes.index);
}

void ValueMap::Add(std::u16string_view key, std::u16string_view value) {
    Append(key, value);
}

void ValueMap::Add(std::u16string_view key, std::string_view utf8Value) {
    Append(key, utf8Value);
}

template <class ValueText>
void ValueMap::Append(std::u16string_view key, ValueText value) {
    if (m_texts == nullptr) {
        m_texts = std::make_shared<Texts>();
    }
    if (m_addedHashes == nullptr) {
        m_addedHashes = std::make_unique<std::vector<uint32_t>[]>(kBuckets);
    }
    const platform::KeyHashes hashes = platform::HashKeys(key);
    const size_t bucket = hashes.bucket % kBuckets;
    std::vector<Entry>& entries = m_buckets[bucket];
    std::vector<uint32_t>& added = m_addedHashes[bucket];
    GrowFor(entries);
    GrowFor(added);
    const std::u16string_view storedValue = m_texts->Store(value, bucket);
    entries.push_back(Entry{m_texts->Store(key, bucket), storedValue});
    added.push_back(static_cast<uint32_t>(hashes.index));
    ++m_count;
}

void ValueMap::Settle() {
    try {
        m_index.Clear();
        m_index.Reserve(m_count);
    } catch (...) {
        RemoveAll();
        throw;
    }
    // Bucket by bucket in the order the entries came: the first of a key keeps its place and
    // takes the values of the later ones, which go.
    m_count = 0;
    for (size_t b = 0; b < kBuckets; ++b) {
        std::vector<Entry>& entries = m_buckets[b];
        const std::vector<uint32_t>* added = m_addedHashes != nullptr ? &m_addedHashes[b] : nullptr;
        if (added != nullptr && added->size() != entries.size()) {
            added = nullptr;
        }
        size_t kept = 0;
        for (size_t i = 0; i < entries.size(); ++i) {
            const Entry entry = entries[i];
            const uint64_t hash = added != nullptr ? (*added)[i] : platform::TextHash(entry.key());
            const size_t slot = m_index.Probe(entry.key(), hash,
                                              [this](uint32_t ref) { return At(ref - 1).key(); });
            const uint32_t found = m_index.At(slot);
            if (found != 0) {
                entries[(found - 1) / kBuckets].SetValue(entry.value());
                continue;
            }
            entries[kept] = entry;
            m_index.InsertAt(slot, static_cast<uint32_t>(kept * kBuckets + b + 1), hash);
            ++kept;
        }
        entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(kept), entries.end());
        m_count += kept;
    }
    m_addedHashes.reset();
}

void ValueMap::ReserveKeys(size_t count) {
    m_index.Reserve(count);
}

const ValueMap::Entry* ValueMap::Lookup(std::u16string_view key) const {
    const size_t found = m_index.Find(key, platform::TextHash(key),
                                      [this](uint32_t ref) { return At(ref - 1).key(); });
    return found == 0 ? nullptr : &At(found - 1);
}

POSITION ValueMap::After(size_t bucket) const {
    for (size_t b = bucket; b < kBuckets; ++b) {
        if (!m_buckets[b].empty()) {
            return reinterpret_cast<POSITION>((m_buckets[b].size() - 1) * kBuckets + b + 1);
        }
    }
    return nullptr;
}

POSITION ValueMap::GetStartPosition() const {
    return After(0);
}

const ValueMap::Entry& ValueMap::GetNext(POSITION& pos) const {
    const size_t handle = reinterpret_cast<size_t>(pos) - 1;
    const size_t bucket = handle % kBuckets;
    pos =
        handle >= kBuckets ? reinterpret_cast<POSITION>(handle - kBuckets + 1) : After(bucket + 1);
    return At(handle);
}

void ValueMap::RemoveAll() {
    for (std::vector<Entry>& entries : m_buckets) {
        entries = std::vector<Entry>();
    }
    m_count = 0;
    m_index.Clear();
    m_texts.reset();
    m_addedHashes.reset();
}
