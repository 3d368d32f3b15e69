// flat_pairs.cpp - CFlatPairs: the pairs end to end, indexed, in the flat map's order on demand.
#include "metadata/flat_pairs.h"

#include <cstring>

#include "platform/cmap.h"

namespace {

// The bucket count of a value map; its buckets make the order in which the pairs are handed out.
constexpr UINT kMapBuckets = 17;
// Texts are copied into chunks of this many units; a longer text gets a chunk of its own.
constexpr size_t kChunkLength = size_t{32} * 1024;

// Room for one more element, doubling as push_back would, so that the push cannot fail.
template <class T>
void GrowFor(std::vector<T>& v) {
    if (v.size() == v.capacity()) {
        v.reserve(v.empty() ? 16 : v.size() * 2);
    }
}

}  // namespace

const char16_t* CFlatPairs::Store(std::u16string_view text) {
    const size_t need = text.size() + 1;
    if (need > m_freeLength) {
        const size_t length = need > kChunkLength ? need : kChunkLength;
        GrowFor(m_chunks);
        m_chunks.emplace_back(new char16_t[length]);
        m_free = m_chunks.back().get();
        m_freeLength = length;
    }
    char16_t* copy = m_free;
    if (!text.empty()) {
        std::memcpy(copy, text.data(), text.size() * sizeof(char16_t));
    }
    copy[text.size()] = u'\0';
    m_free += need;
    m_freeLength -= need;
    return copy;
}

void CFlatPairs::Set(std::u16string_view key, std::u16string_view value) {
    const uint64_t hash = platform::TextHash(key);
    const size_t found = m_index.Find(key, hash, [this](size_t ref) {
        const Entry& e = m_entries[ref - 1];
        return std::u16string_view(e.key, e.keyLength);
    });
    if (found != 0) {
        // A known key keeps its place and takes the new value; the old text stays unused.
        Entry& e = m_entries[found - 1];
        e.value = Store(value);
        e.valueLength = value.size();
        return;
    }
    // Everything that can fail comes before the entry is added.
    GrowFor(m_entries);
    m_index.Reserve(m_entries.size() + 1);
    const char16_t* storedKey = Store(key);
    const char16_t* storedValue = Store(value);
    m_entries.push_back(
        Entry{storedKey, storedValue, key.size(), value.size(), platform::HashKey(key)});
    m_index.Insert(m_entries.size(), hash);
}

std::vector<size_t> CFlatPairs::MapOrder() const {
    // A counting sort by bucket; within a bucket the newest key comes first.
    size_t starts[kMapBuckets + 1] = {};
    for (const Entry& e : m_entries) {
        ++starts[e.bucketHash % kMapBuckets + 1];
    }
    for (UINT b = 1; b <= kMapBuckets; ++b) {
        starts[b] += starts[b - 1];
    }
    std::vector<size_t> order(m_entries.size());
    for (size_t i = m_entries.size(); i-- > 0;) {
        order[starts[m_entries[i].bucketHash % kMapBuckets]++] = i;
    }
    return order;
}
