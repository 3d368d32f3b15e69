// meta_data_source_test.cpp - a source's value groups split from flat pairs, tag lookup and the
// namespace records for the host.
#include "metadata/meta_data_source.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "metadata/meta_data_test_util.h"

namespace {

using namespace metadata_test;

// A source split from flat pairs set in this order.
std::unique_ptr<CMetaDataSource> Split(const Pairs& pairs) {
    auto source = std::make_unique<CMetaDataSource>();
    CMetaData flat;
    for (const auto& [k, v] : pairs) {
        flat.m_Values.SetAt(k, v);
    }
    source->SplitByNamespace(&flat);
    EXPECT_TRUE(flat.m_Values.IsEmpty());
    return source;
}

TEST(MetaDataSource, SplitByNamespace) {
    {
        // Declarations in any letter case; values whose prefix differs in case are collected; a
        // declared namespace without values still has its group; undeclared prefixes dropped.
        auto source = Split({{u"XMLNS:dc", kDc},
                             {u"xmlns:empty", u"urn:empty"},
                             {u"DC:title", u"T"},
                             {u"rdf:about", u""}});
        EXPECT_EQ(Namespaces(*source), (Pairs{{u"empty", u"urn:empty"}, {u"dc", kDc}}));
        ASSERT_EQ(source->m_MetaData.GetSize(), 3);
        EXPECT_EQ(source->m_MetaData[1]->m_strPrefix, u"empty");  // groups in list order
        EXPECT_TRUE(source->m_MetaData[1]->m_Values.IsEmpty());
        EXPECT_EQ(GroupValues(*source, u"dc"), (Pairs{{u"title", u"T"}}));
    }
    {
        // Both declarations share bucket 1, so the flat map hands xmlns:DC over first; both
        // prefixes share bucket 16, so "dc", the newer there, comes first and takes every value.
        // dc:a and DC:a share bucket 4: DC:a is read first, dc:a then overwrites its value.
        auto source = Split({{u"xmlns:dc", u"urn:lower"},
                             {u"xmlns:DC", u"urn:upper"},
                             {u"dc:a", u"1"},
                             {u"DC:b", u"2"},
                             {u"DC:a", u"3"}});
        EXPECT_EQ(Namespaces(*source), (Pairs{{u"dc", u"urn:lower"}, {u"DC", u"urn:upper"}}));
        ASSERT_EQ(source->m_MetaData.GetSize(), 3);
        EXPECT_EQ(Entries(source->m_MetaData[1]->m_Values, true),
                  (Pairs{{u"a", u"1"}, {u"b", u"2"}}));
        EXPECT_TRUE(source->m_MetaData[2]->m_Values.IsEmpty());
    }
    {
        // Odd declarations: the empty prefix takes keys starting with ':'; of two prefixes that
        // both fit a key, the one first in the list wins ("a:b" in bucket 1 before "a" in 12).
        auto source = Split({{u"xmlns:", u"urn:none"},
                             {u"xmlns:a", u"urn:a"},
                             {u"xmlns:a:b", u"urn:ab"},
                             {u"::x", u"1"},
                             {u"a:b:c", u"2"},
                             {u"a:z", u"3"}});
        EXPECT_EQ(GroupValues(*source, u""), (Pairs{{u":x", u"1"}}));
        EXPECT_EQ(GroupValues(*source, u"a:b"), (Pairs{{u"c", u"2"}}));
        EXPECT_EQ(GroupValues(*source, u"a"), (Pairs{{u"z", u"3"}}));
    }
    {
        // Nothing to split; a second split replaces the first's groups; splitting one of the
        // source's own groups must not read freed memory.
        CMetaDataSource source;
        ASSERT_EQ(source.m_MetaData.GetSize(), 1);
        EXPECT_EQ(source.GetFirstNamespacePosition(), nullptr);
        source.SplitByNamespace(nullptr);
        ASSERT_EQ(source.m_MetaData.GetSize(), 1);
        EXPECT_EQ(source.m_MetaData[0]->m_strNamespace, u"adobe:ns:meta/");
        CMetaData flat;
        flat.m_Values.SetAt(u"xmlns:dc", kDc);
        source.SplitByNamespace(&flat);
        ASSERT_EQ(source.m_MetaData.GetSize(), 2);
        source.m_MetaData[1]->m_Values.SetAt(u"xmlns:x", u"urn:x");
        source.SplitByNamespace(source.m_MetaData[1]);
        EXPECT_EQ(Namespaces(source), (Pairs{{u"x", u"urn:x"}}));
    }
}

TEST(MetaDataSource, GetValueSplitsAtTheFirstColonFromIndexFive) {
    auto source = Split({{u"xmlns:dc", kDc},
                         {u"xmlns:dc2", kDc},  // a second prefix for the same URI
                         {u"xmlns:xmp", kXmp},
                         {u"xmlns:ab", u"abcd"},
                         {u"xmlns:urn", u"urn:abcd:ef"},
                         {u"xmlns:\u00e9", u"urn:acute"},
                         {u"dc:title", u"Hello"},
                         {u"dc:hidden", u"Unreachable"},
                         {u"dc2:title", u"Shadowing"},
                         {u"xmp:empty", u""},
                         {u"ab:x", u"short"},
                         {u"urn:name", u"cut"}});
    CString value = u"untouched";
    EXPECT_FALSE(source->GetValue(u"", value));
    EXPECT_FALSE(source->GetValue(u"abcd:x", value));            // ':' at index 4 is the URI's
    EXPECT_FALSE(source->GetValue(u"urn:abcd:ef:name", value));  // cut at index 8
    EXPECT_FALSE(source->GetValue(Tag(kXmp, u"Empty"), value));  // local names are exact
    EXPECT_FALSE(source->GetValue(kDc, value));
    EXPECT_EQ(value, u"untouched");
    ASSERT_TRUE(source->GetValue(Tag(kXmp, u"empty"), value));  // an empty value is a value
    EXPECT_EQ(value, u"");

    // "dc2" hashes to bucket 0 and "dc" to bucket 16, so dc2's group comes first and is the only
    // one a tag can reach; the URI part matches ignoring case.
    ASSERT_TRUE(source->GetValue(u"HTTP://PURL.ORG/DC/ELEMENTS/1.1/:title", value));
    EXPECT_EQ(value, u"Shadowing");
    EXPECT_FALSE(source->GetValue(Tag(kDc, u"hidden"), value));

    // A tag that is part of a longer text (as a rule's argument may be) stands for that part only.
    const CString longer = Tag(kDc, u"titled");
    CString scratch;
    const auto found = source->FindValue(longer.view().substr(0, longer.GetLength() - 1), scratch);
    ASSERT_TRUE(found);
    EXPECT_EQ(*found, u"Shadowing");
    EXPECT_FALSE(source->FindValue(longer.view(), scratch));
    EXPECT_FALSE(
        source->FindValue(longer.view().substr(0, std::u16string_view(kDc).size()), scratch));

    // Lookups ignore the case of ASCII letters only and never return the namespace list.
    EXPECT_EQ(source->FindMetaDataByPrefix(u"DC")->m_strPrefix, u"dc");
    EXPECT_EQ(source->FindMetaDataByPrefix(u"\u00c9"), nullptr);
    EXPECT_EQ(source->FindMetaDataByPrefix(u"xmlns:"), nullptr);
    EXPECT_EQ(source->FindMetaDataByNamespace(u"adobe:ns:meta/"), nullptr);
    EXPECT_EQ(source->FindMetaDataByNamespace(u"ABCD")->m_strPrefix, u"ab");
}

// The namespace records as a host walks them, through its own declaration of the layout.
struct Record {
    std::u16string prefix;
    std::u16string uri;
    std::set<std::pair<std::u16string, std::u16string>> values;
};

std::u16string Text(BSTR b) {
    return b == nullptr ? u"<null>" : std::u16string(b, SysStringLen(b));
}

std::vector<Record> HostView(const CBSTRMetaDataTree& tree) {
    const auto& root = *reinterpret_cast<const OlvaneNamespace*>(&tree);
    EXPECT_EQ(root.prefix, nullptr);
    EXPECT_EQ(root.ns_uri, nullptr);
    EXPECT_EQ(root.values.count, 0);
    std::vector<Record> out;
    for (intptr_t c = 0; c < root.children.size; ++c) {
        const OlvaneNamespace& ns = *root.children.data[c];
        EXPECT_EQ(ns.children.size, 0);
        Record r{Text(ns.prefix), Text(ns.ns_uri), {}};
        intptr_t seen = 0;
        for (uint32_t i = 0; ns.values.table != nullptr && i < ns.values.table_size; ++i) {
            for (const OlvaneMapEntry* e = ns.values.table[i]; e != nullptr; e = e->next, ++seen) {
                EXPECT_EQ(e->hash % 17, i);
                r.values.emplace(Text(e->key), Text(e->value));
            }
        }
        EXPECT_EQ(seen, ns.values.count);
        out.push_back(r);
    }
    return out;
}

TEST(MetaDataSource, NamespaceRecordsForTheHost) {
    auto source = Split({{u"xmlns:dc", kDc},
                         {u"xmlns:DC", u"urn:upper"},
                         {u"xmlns:xmp", kXmp},
                         {u"xmlns:none", u"urn:none"},
                         {u"dc:title", u"Hello"},
                         {u"dc:format", u"video"},
                         {u"xmp:Rating", u"3"}});
    auto root = std::make_unique<CBSTRMetaDataTree>();
    source->GetAllNamespaces(root.get());
    source->GetAllNamespaces(nullptr);
    const Pairs list = Namespaces(*source);
    const std::vector<Record> records = HostView(*root);
    ASSERT_EQ(records.size(), 4u);
    using Values = decltype(Record::values);
    const Values dc = {{u"title", u"Hello"}, {u"format", u"video"}};
    for (size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].prefix, list[i].first);
        EXPECT_EQ(records[i].uri, list[i].second);
        // dc and DC both read the group that FindMetaDataByPrefix finds first.
        const Values expected = list[i].first == u"xmp"    ? Values{{u"Rating", u"3"}}
                                : list[i].first == u"none" ? Values{}
                                                           : dc;
        EXPECT_EQ(records[i].values, expected) << i;
    }

    // The records are copies: they outlive the source unchanged; Clear may run twice.
    source.reset();
    EXPECT_EQ(HostView(*root).size(), 4u);
    root->Clear();
    root->Clear();
    CMetaDataSource empty;
    empty.GetAllNamespaces(root.get());
    EXPECT_TRUE(HostView(*root).empty());
}

}  // namespace
