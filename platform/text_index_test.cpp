// text_index_test.cpp - the open-addressing text index against std::unordered_map.
#include "platform/text_index.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <random>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <vector>

namespace {

using platform::TextHash;
using platform::TextIndex;

struct Entry {
    std::u16string key;
};

// Keys of every length from 0 to 9 (the hash reads four units at a time), over a small alphabet
// so that keys of one length often differ in a single unit.
std::vector<std::u16string> MakeKeys(std::mt19937& rng, size_t count) {
    std::vector<std::u16string> keys{u""};
    std::unordered_map<std::u16string, bool> seen{{u"", true}};
    while (keys.size() < count) {
        std::u16string key(rng() % 10, u'a');
        for (char16_t& c : key) {
            const uint32_t r = rng() % 6;
            c = r < 4 ? static_cast<char16_t>(u'a' + r) : r == 4 ? u'\u00e9' : u'\xD83D';
        }
        if (seen.emplace(key, true).second) {
            keys.push_back(std::move(key));
        }
    }
    return keys;
}

// Drives a TextIndex<Ref> and a std::unordered_map with the same random insertions and erasures,
// checking every key after each change. hashOf lets a test squeeze the hashes into a few values.
template <class Ref>
class Differential {
  public:
    Differential(std::vector<std::u16string> keys,
                 std::function<uint64_t(size_t, std::u16string_view)> hashOf)
        : m_keys(std::move(keys)), m_hashOf(std::move(hashOf)) {
        for (const auto& key : m_keys) {
            m_entries.push_back(Entry{key});
        }
    }

    void Run(std::mt19937& rng, int steps) {
        for (int step = 0; step < steps; ++step) {
            const size_t k = rng() % m_keys.size();
            if (rng() % 5 < 3) {
                Insert(k);
            } else {
                Erase(k);
            }
            CheckAll();
            if (::testing::Test::HasFailure()) {
                return;
            }
        }
    }

    void Insert(size_t k) {
        if (m_model.count(m_keys[k]) != 0) {
            return;
        }
        m_index.Reserve(m_index.GetCount() + 1);
        m_index.Insert(RefOf(k), Hash(k));
        m_model.emplace(m_keys[k], RefOf(k));
    }

    void Erase(size_t k) {
        // Erasing an absent entry must change nothing.
        m_index.Erase(RefOf(k), Hash(k));
        m_model.erase(m_keys[k]);
    }

    void CheckAll() const {
        ASSERT_EQ(m_index.GetCount(), m_model.size());
        for (size_t k = 0; k < m_keys.size(); ++k) {
            const auto it = m_model.find(m_keys[k]);
            const Ref expected = it == m_model.end() ? Ref{} : it->second;
            ASSERT_EQ(Find(k), expected) << "key #" << k << " of length " << m_keys[k].size();
        }
    }

    Ref Find(size_t k) const {
        return m_index.Find(m_keys[k], Hash(k), [this](Ref ref) { return KeyOf(ref); });
    }

    void Clear() {
        m_index.Clear();
        m_model.clear();
    }

    TextIndex<Ref>& index() { return m_index; }
    size_t modelSize() const { return m_model.size(); }

  private:
    uint64_t Hash(size_t k) const { return m_hashOf(k, m_keys[k]); }

    // Entries are numbered from 1 for an integer Ref, so that 0 stays "none".
    Ref RefOf(size_t k) const {
        if constexpr (std::is_pointer_v<Ref>) {
            return &m_entries[k];
        } else {
            return static_cast<Ref>(k + 1);
        }
    }
    std::u16string_view KeyOf(Ref ref) const {
        if constexpr (std::is_pointer_v<Ref>) {
            return ref->key;
        } else {
            return m_entries[static_cast<size_t>(ref) - 1].key;
        }
    }

    std::vector<std::u16string> m_keys;
    std::function<uint64_t(size_t, std::u16string_view)> m_hashOf;
    std::deque<Entry> m_entries;
    TextIndex<Ref> m_index;
    std::unordered_map<std::u16string, Ref> m_model;
};

uint64_t RealHash(size_t, std::u16string_view key) {
    return TextHash(key);
}

TEST(TextIndex, MatchesUnorderedMapUnderRandomInsertionsAndErasures) {
    std::mt19937 rng(20240611);
    const auto keys = MakeKeys(rng, 400);
    {
        Differential<const Entry*> pointers(keys, RealHash);
        pointers.Run(rng, 4000);
    }
    {
        Differential<size_t> numbers(keys, RealHash);
        numbers.Run(rng, 4000);
    }
    {
        // Kept with half their hash.
        Differential<uint32_t> compact(keys, RealHash);
        compact.Run(rng, 4000);
    }
}

TEST(TextIndex, CollidingHashesKeepEveryProbeRunIntact) {
    std::mt19937 rng(7);
    const auto keys = MakeKeys(rng, 120);
    // Every key under one hash: one long run, and only the key text tells entries apart.
    {
        Differential<size_t> same(keys, [](size_t, std::u16string_view) { return 0x5Full; });
        same.Run(rng, 1500);
    }
    // Homes crowded onto a few neighbouring slots straddling the end of the table, whatever its
    // size, so that runs wrap round to slot 0. An entry may move back into a freed slot only if
    // that slot lies between its home and where it sits. The high bits differ, so equal homes do
    // not mean equal hashes.
    for (uint64_t spread : {2u, 5u, 17u}) {
        Differential<const Entry*> crowded(keys, [spread](size_t k, std::u16string_view) {
            const uint64_t low = (0x10000 - spread / 2 + k % spread) & 0xFFFF;
            return (uint64_t{k} << 32) | low;
        });
        crowded.Run(rng, 1500);
        // A compact index keeps only the low half, in which these hashes all collide.
        Differential<uint32_t> compact(keys, [spread](size_t k, std::u16string_view) {
            return (uint64_t{k} << 32) | ((0x10000 - spread / 2 + k % spread) & 0xFFFF);
        });
        compact.Run(rng, 1500);
    }
}

TEST(TextIndex, ErasingFromTheMiddleOfARunKeepsTheRestFindable) {
    // Hand-built runs in a 16-slot table: a, b, c share home 14; d has home 15; e has home 0;
    // f has home 14 again. Inserted in that order they fill 14, 15, 0, 1, 2, 3 (wrapping).
    const std::vector<std::u16string> keys{u"a", u"b", u"c", u"d", u"e", u"f"};
    const std::vector<uint64_t> homes{14, 14, 14, 15, 0, 14};
    auto hashOf = [&homes](size_t k, std::u16string_view) { return homes[k] | (k << 20); };
    for (size_t victim = 0; victim < keys.size(); ++victim) {
        Differential<size_t> d(keys, hashOf);
        for (size_t k = 0; k < keys.size(); ++k) {
            d.Insert(k);
        }
        d.CheckAll();
        d.Erase(victim);
        d.CheckAll();
        // Then all of them one at a time, the victim again first (absent, so nothing changes).
        for (size_t k = 0; k < keys.size(); ++k) {
            d.Erase((victim + k) % keys.size());
            d.CheckAll();
        }
        EXPECT_EQ(d.modelSize(), 0u);
    }
}

TEST(TextIndex, GrowsAcrossReservesAndClears) {
    std::mt19937 rng(99);
    const auto keys = MakeKeys(rng, 3000);
    Differential<const Entry*> d(keys, RealHash);
    // A few reservations, each followed by half as many insertions again as it made room for, so
    // that both explicit and implicit growth rehash a populated table.
    size_t next = 0;
    for (size_t reserve : {5u, 40u, 700u, 2500u}) {
        d.index().Reserve(reserve);
        for (size_t target = reserve + reserve / 2; next < keys.size() && next < target; ++next) {
            d.Insert(next);
        }
        d.CheckAll();
    }
    // A reservation below the current count changes nothing.
    d.index().Reserve(1);
    d.CheckAll();

    for (size_t k = 0; k < keys.size(); k += 3) {
        d.Erase(k);
    }
    d.CheckAll();

    d.Clear();
    d.CheckAll();
    d.Erase(0);  // erasing from an index with no table is harmless
    // The index is usable again after a clear.
    d.Run(rng, 500);
    EXPECT_GT(d.modelSize(), 0u);
}

TEST(TextIndex, HashReadsEveryUnitOfEveryLength) {
    // Changing any one unit of keys of lengths 0..9 changes the hash, whether it falls in a
    // four-unit chunk or in the tail, and so does the length alone.
    std::unordered_map<uint64_t, std::u16string> seen;
    for (size_t length = 0; length <= 9; ++length) {
        std::u16string key(length, u'x');
        const auto [it, fresh] = seen.emplace(TextHash(key), key);
        EXPECT_TRUE(fresh) << "length " << length << " collides";
        for (size_t i = 0; i < length; ++i) {
            std::u16string changed = key;
            changed[i] = u'y';
            EXPECT_NE(TextHash(changed), TextHash(key)) << "length " << length << " unit " << i;
        }
    }
    EXPECT_NE(TextHash(std::u16string(1, u'\0')), TextHash(u""));
}

}  // namespace
