// flat_pairs.cpp - CFlatPairs: the pairs end to end, indexed, in the flat map's order on demand.
#include "metadata/flat_pairs.h"

#include <cstring>

#include "platform/cmap.h"

namespace {

// A bucket's chunks grow to this many units; a longer text gets a chunk of its own.
constexpr size_t kMaxChunkLength = size_t{32} * 1024;

// Room for one more element, doubling as push_back would, so that the push cannot fail.
template <class T>
void GrowFor(std::vector<T>& v) {
    if (v.size() == v.capacity()) {
        v.reserve(v.empty() ? 16 : v.size() * 2);
    }
}

}  // namespace

const char16_t* CFlatPairs::Bucket::Store(std::u16string_view text) {
    const size_t need = text.size() + 1;
    if (need > freeLength) {
        const size_t length = need > nextChunkLength ? need : nextChunkLength;
        GrowFor(chunks);
        chunks.emplace_back(new char16_t[length]);
        free = chunks.back().get();
        freeLength = length;
        if (nextChunkLength < kMaxChunkLength) {
            nextChunkLength *= 2;
        }
    }
    char16_t* copy = free;
    if (!text.empty()) {
        std::memcpy(copy, text.data(), text.size() * sizeof(char16_t));
    }
    copy[text.size()] = u'\0';
    free += need;
    freeLength -= need;
    return copy;
}

void CFlatPairs::Set(std::u16string_view key, std::u16string_view value) {
    const uint64_t hash = platform::TextHash(key);
    const size_t found = m_index.Find(key, hash, [this](size_t ref) {
        const Entry& e = At(ref - 1);
        return std::u16string_view(e.key, e.keyLength);
    });
    if (found != 0) {
        // A known key keeps its place and takes the new value; the old text stays unused.
        const size_t handle = found - 1;
        Bucket& bucket = m_buckets[handle % kBuckets];
        const char16_t* stored = bucket.Store(value);
        Entry& e = bucket.entries[handle / kBuckets];
        e.value = stored;
        e.valueLength = value.size();
        return;
    }
    // Everything that can fail comes before the entry is added.
    const size_t b = platform::HashKey(key) % kBuckets;
    Bucket& bucket = m_buckets[b];
    GrowFor(bucket.entries);
    m_index.Reserve(m_count + 1);
    const char16_t* storedKey = bucket.Store(key);
    const char16_t* storedValue = bucket.Store(value);
    bucket.entries.push_back(Entry{storedKey, storedValue, key.size(), value.size()});
    ++m_count;
    m_index.Insert((bucket.entries.size() - 1) * kBuckets + b + 1, hash);
}
