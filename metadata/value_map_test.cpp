// value_map_test.cpp - ValueMap held to the framework's map it stands in for: the same entries in
// the same order, however they were set. (Texts shared past the map they were read into: every
// source's groups rely on it, and ASan sees the first read of a freed text.)
#include "metadata/value_map.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/cmap.h"
#include "platform/codepage.h"

namespace {

using Pairs = std::vector<std::pair<std::u16string, std::u16string>>;

Pairs Walked(const ValueMap& map) {
    Pairs out;
    map.ForEach([&](const ValueMap::Entry& e) { out.emplace_back(e.key(), e.value()); });
    // The step-by-step walk gives the same, and every text ends with a NUL.
    Pairs stepped;
    for (POSITION pos = map.GetStartPosition(); pos != nullptr;) {
        const ValueMap::Entry& e = map.GetNext(pos);
        EXPECT_EQ(e.key().data()[e.key().size()], u'\0');
        EXPECT_EQ(e.value().data()[e.value().size()], u'\0');
        stepped.emplace_back(e.key(), e.value());
    }
    EXPECT_EQ(stepped, out);
    return out;
}

Pairs Walked(const CMap<CString, LPCWSTR, CString, LPCWSTR>& map) {
    Pairs out;
    for (POSITION pos = map.GetStartPosition(); pos != nullptr;) {
        const auto* e = map.GetNextAssocPtr(pos);
        out.emplace_back(e->key.str(), e->value.str());
    }
    return out;
}

// Keys drawn from a small set, so that many are set again; some share a bucket.
Pairs RandomSets(std::mt19937& rng, size_t count) {
    Pairs sets;
    for (size_t i = 0; i < count; ++i) {
        std::u16string key =
            u"ns:k" + NarrowToWide(std::to_string(rng() % (count / 3 + 1)).c_str());
        if (rng() % 7 == 0) {
            key = u"NS" + key.substr(2);  // differs from another key in letter case only
        }
        sets.emplace_back(key, NarrowToWide(std::to_string(i).c_str()));
    }
    return sets;
}

TEST(ValueMap, OrdersAndOverwritesAsTheFrameworksMapWhetherSetOrAddedAndSettled) {
    std::mt19937 rng(17);
    for (size_t count : {0u, 1u, 40u, 3000u}) {
        const Pairs sets = RandomSets(rng, count);
        CMap<CString, LPCWSTR, CString, LPCWSTR> framework;
        ValueMap set;
        ValueMap added;
        for (const auto& [k, v] : sets) {
            framework.SetAt(CString(k), CString(v));
            set.SetAt(k, v);
            if (rng() % 2 == 0) {
                added.Add(k, v);
            } else {
                const std::string utf8 = WideToUtf8(v);
                added.Add(k, std::string_view(utf8));
            }
        }
        added.Settle();
        const Pairs expected = Walked(framework);
        EXPECT_EQ(Walked(set), expected) << count;
        EXPECT_EQ(Walked(added), expected) << count;
        EXPECT_EQ(set.GetCount(), expected.size());
        EXPECT_EQ(added.GetCount(), expected.size());
        for (const auto& [k, v] : expected) {
            const ValueMap::Entry* found = added.Lookup(k);
            ASSERT_NE(found, nullptr) << WideToUtf8(k);
            EXPECT_EQ(found->value(), v);
        }
        EXPECT_EQ(added.Lookup(u"ns:absent"), nullptr);
    }
}

}  // namespace
