// meta_data_source_test.cpp - a source's namespaces and value groups, tag lookup, the namespace
// records for the host and the rule list.
#include "metadata/meta_data_source.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "metadata/meta_data_test_util.h"
#include "rules/rule.h"

namespace {

using namespace metadata_test;

// A source split from flat pairs set in this order.
std::unique_ptr<CMetaDataSource> Split(const Pairs& pairs) {
    auto source = std::make_unique<CMetaDataSource>();
    CMetaData flat;
    for (const auto& [k, v] : pairs) {
        flat.m_Values.SetAt(CString(k), CString(v));
    }
    source->SplitByNamespace(&flat);
    EXPECT_TRUE(flat.m_Values.IsEmpty());
    return source;
}

// The flat pairs of the worked example, as flattening leaves them.
const Pairs kExample = {{u"rdf:about", u""},     {u"xmlns:dc", kDc},      {u"xmlns:xmp", kXmp},
                        {u"xmp:Rating", u"3"},   {u"dc:title", u"Hello"}, {u"dc:subject", u"a, b"},
                        {u"dc:format", u"video"}};

TEST(MetaDataSource, SplitsTheWorkedExampleByDeclaredNamespace) {
    auto source = Split(kExample);
    ASSERT_EQ(source->m_MetaData.GetSize(), 3);
    const CMetaData& list = *source->m_MetaData[0];
    EXPECT_EQ(list.m_strPrefix, u"xmlns:");
    EXPECT_EQ(list.m_strNamespace, u"adobe:ns:meta/");
    // "xmp" hashes to bucket 4, "dc" to bucket 16.
    EXPECT_EQ(Namespaces(*source), (Pairs{{u"xmp", kXmp}, {u"dc", kDc}}));
    EXPECT_EQ(Entries(list.m_Values), Namespaces(*source));

    const CMetaData& xmp = *source->m_MetaData[1];
    EXPECT_EQ(xmp.m_strPrefix, u"xmp");
    EXPECT_EQ(xmp.m_strNamespace, kXmp);
    EXPECT_EQ(Entries(xmp.m_Values), (Pairs{{u"Rating", u"3"}}));

    const CMetaData& dc = *source->m_MetaData[2];
    EXPECT_EQ(dc.m_strPrefix, u"dc");
    EXPECT_EQ(Keys(Entries(dc.m_Values)), MapOrder({u"title", u"subject", u"format"}));
    CString value;
    ASSERT_TRUE(source->GetValue(Tag(kDc, u"subject"), value));
    EXPECT_EQ(value, u"a, b");
    // rdf:about had no declaring Description: dropped.
    EXPECT_EQ(source->FindMetaDataByPrefix(u"rdf"), nullptr);
}

TEST(MetaDataSource, SplitEdgeCases) {
    {
        // Declarations in any letter case; a declared namespace without values still has its
        // group; a value whose prefix differs in case is collected.
        auto source = Split({{u"XMLNS:dc", kDc},
                             {u"xmlns:empty", u"urn:empty"},
                             {u"DC:title", u"T"},
                             {u"other:x", u"dropped"}});
        EXPECT_EQ(Keys(Namespaces(*source)), MapOrder({u"dc", u"empty"}));
        ASSERT_EQ(source->m_MetaData.GetSize(), 3);
        const CMetaData* empty = source->FindMetaDataByPrefix(u"EMPTY");
        ASSERT_NE(empty, nullptr);
        EXPECT_TRUE(empty->m_Values.IsEmpty());
        EXPECT_EQ(Entries(source->FindMetaDataByPrefix(u"dc")->m_Values),
                  (Pairs{{u"title", u"T"}}));
    }
    {
        // Prefixes that differ only in case: the first in the list's order takes every value.
        const Pairs flat = {{u"xmlns:dc", u"urn:lower"},
                            {u"xmlns:DC", u"urn:upper"},
                            {u"dc:a", u"1"},
                            {u"DC:b", u"2"}};
        auto source = Split(flat);
        const Pairs list = Namespaces(*source);
        ASSERT_EQ(list.size(), 2u);
        ASSERT_EQ(source->m_MetaData.GetSize(), 3);
        EXPECT_EQ(source->m_MetaData[1]->m_strPrefix, list[0].first);
        EXPECT_EQ(source->m_MetaData[1]->m_Values.GetCount(), 2);
        EXPECT_EQ(source->m_MetaData[2]->m_strPrefix, list[1].first);
        EXPECT_TRUE(source->m_MetaData[2]->m_Values.IsEmpty());
    }
    {
        // A value whose local part repeats under prefixes of different case: one entry, the
        // later pair's value, the first pair's place.
        auto source = Split({{u"xmlns:p", u"urn:p"}, {u"p:k", u"first"}, {u"P:k", u"second"}});
        const CMetaData* p = source->FindMetaDataByPrefix(u"p");
        ASSERT_NE(p, nullptr);
        ASSERT_EQ(p->m_Values.GetCount(), 1);
        const std::u16string later = MapOrder({u"p:k", u"P:k"})[1];
        EXPECT_EQ(Entries(p->m_Values)[0].second, later == u"p:k" ? u"first" : u"second");
    }
    {
        // Unusual declarations: an empty prefix takes keys that start with ':'; a prefix holding
        // a ':' competes with its head for the keys both fit, the earlier in the list winning.
        auto source = Split({{u"xmlns:", u"urn:none"},
                             {u"xmlns:a", u"urn:a"},
                             {u"xmlns:a:b", u"urn:ab"},
                             {u"::x", u"1"},
                             {u"a:b:c", u"2"},
                             {u"a:z", u"3"}});
        const std::vector<std::u16string> order = MapOrder({u"", u"a", u"a:b"});
        EXPECT_EQ(Keys(Namespaces(*source)), order);
        EXPECT_EQ(Entries(source->FindMetaDataByPrefix(u"")->m_Values), (Pairs{{u":x", u"1"}}));
        const bool headFirst = std::find(order.begin(), order.end(), u"a") <
                               std::find(order.begin(), order.end(), u"a:b");
        CString value;
        EXPECT_TRUE(source->GetValue(u"urn:a:z", value));  // cut at index 5
        EXPECT_EQ(value, u"3");
        const CMetaData* head = source->FindMetaDataByPrefix(u"a");
        const CMetaData* longer = source->FindMetaDataByPrefix(u"a:b");
        ASSERT_TRUE(head != nullptr && longer != nullptr);
        if (headFirst) {
            EXPECT_TRUE(head->m_Values.Lookup(u"b:c", value));
            EXPECT_TRUE(longer->m_Values.IsEmpty());
        } else {
            EXPECT_TRUE(longer->m_Values.Lookup(u"c", value));
            EXPECT_EQ(head->m_Values.GetCount(), 1);
        }
        EXPECT_EQ(value, u"2");
    }
    {
        // Nothing to split; and a second split replaces the groups of the first.
        CMetaDataSource source;
        ASSERT_EQ(source.m_MetaData.GetSize(), 1);
        EXPECT_EQ(source.GetFirstNamespacePosition(), nullptr);
        source.SplitByNamespace(nullptr);
        ASSERT_EQ(source.m_MetaData.GetSize(), 1);
        EXPECT_EQ(source.m_MetaData[0]->m_strPrefix, u"xmlns:");
        CMetaData flat;
        flat.m_Values.SetAt(u"xmlns:dc", kDc);
        source.SplitByNamespace(&flat);
        EXPECT_EQ(source.m_MetaData.GetSize(), 2);
        source.SplitByNamespace(&flat);  // spent by the first split
        EXPECT_EQ(source.m_MetaData.GetSize(), 1);
        // Splitting a source's own group must not touch freed memory.
        flat.m_Values.SetAt(u"xmlns:dc", kDc);
        source.SplitByNamespace(&flat);
        source.SplitByNamespace(source.m_MetaData[1]);
        EXPECT_EQ(source.m_MetaData.GetSize(), 1);
    }
}

TEST(MetaDataSource, ManyNamespacesEachGetTheirOwnValues) {
    Pairs flat;
    for (int i = 0; i < 3000; ++i) {
        const std::u16string n = CString(std::to_string(i).c_str()).str();
        flat.emplace_back(u"xmlns:p" + n, u"urn:ns" + n);
        flat.emplace_back(u"P" + n + u":name", u"v" + n);
    }
    auto source = Split(flat);
    ASSERT_EQ(source->m_MetaData.GetSize(), 3001);
    for (int i = 0; i < 3000; i += 7) {
        const std::u16string n = CString(std::to_string(i).c_str()).str();
        CString value;
        ASSERT_TRUE(source->GetValue(CString(u"URN:NS" + n + u":name"), value)) << i;
        EXPECT_EQ(value.str(), u"v" + n);
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
    EXPECT_EQ(source->FindMetaDataByNamespace(kDc)->m_strPrefix, u"dc2");

    // Lookups ignore case (ASCII letters only) and never return the namespace list.
    EXPECT_EQ(source->FindMetaDataByPrefix(u"DC")->m_strPrefix, u"dc");
    EXPECT_EQ(source->FindMetaDataByPrefix(u"\u00e9")->m_strNamespace, u"urn:acute");
    EXPECT_EQ(source->FindMetaDataByPrefix(u"\u00c9"), nullptr);
    EXPECT_EQ(source->FindMetaDataByPrefix(u"xmlns:"), nullptr);
    EXPECT_EQ(source->FindMetaDataByNamespace(u"adobe:ns:meta/"), nullptr);
    EXPECT_EQ(source->FindMetaDataByNamespace(u"ABCD")->m_strPrefix, u"ab");
    EXPECT_EQ(source->FindMetaDataByNamespace(u"http://purl.org/dc/elements/1.1"), nullptr);
}

TEST(MetaDataSource, NamespaceIterationEdges) {
    auto source = Split(kExample);
    POSITION pos = nullptr;
    CString prefix = u"p";
    CString uri = u"u";
    EXPECT_FALSE(source->GetNextNamespace(pos, prefix, uri));
    EXPECT_EQ(prefix, u"p");
    pos = source->GetFirstNamespacePosition();
    ASSERT_NE(pos, nullptr);
    // With no groups at all there is nothing to walk, whatever pos says.
    CMetaDataSource bare;
    delete bare.m_MetaData[0];
    bare.m_MetaData.RemoveAll();
    EXPECT_EQ(bare.GetFirstNamespacePosition(), nullptr);
    EXPECT_FALSE(bare.GetNextNamespace(pos, prefix, uri));
    EXPECT_EQ(uri, u"u");
    CString value;
    EXPECT_FALSE(bare.GetValue(Tag(kDc, u"title"), value));
}

// The namespace records as a host walks them, through its own declaration of the layout.
struct Record {
    std::u16string prefix;
    std::u16string uri;
    std::set<std::pair<std::u16string, std::u16string>> values;
    intptr_t children = 0;
};

std::u16string Text(BSTR b) {
    return b == nullptr ? std::u16string() : std::u16string(b, SysStringLen(b));
}

Record Read(const OlvaneNamespace& ns) {
    Record r{Text(ns.prefix), Text(ns.ns_uri), {}, ns.children.size};
    intptr_t seen = 0;
    for (uint32_t i = 0; ns.values.table != nullptr && i < ns.values.table_size; ++i) {
        for (const OlvaneMapEntry* e = ns.values.table[i]; e != nullptr; e = e->next) {
            EXPECT_EQ(e->hash, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(e->key) >> 4));
            EXPECT_EQ(e->hash % ns.values.table_size, i);
            r.values.emplace(Text(e->key), Text(e->value));
            ++seen;
        }
    }
    EXPECT_EQ(seen, ns.values.count);
    return r;
}

std::vector<Record> Children(const CBSTRMetaDataTree& root) {
    const auto& ns = *reinterpret_cast<const OlvaneNamespace*>(&root);
    EXPECT_EQ(ns.prefix, nullptr);
    EXPECT_EQ(ns.ns_uri, nullptr);
    EXPECT_EQ(ns.values.count, 0);
    std::vector<Record> out;
    for (intptr_t i = 0; i < ns.children.size; ++i) {
        out.push_back(Read(*ns.children.data[i]));
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
    const std::vector<Record> records = Children(*root);
    const Pairs list = Namespaces(*source);
    ASSERT_EQ(records.size(), list.size());
    const std::set<std::pair<std::u16string, std::u16string>> dcValues = {{u"title", u"Hello"},
                                                                          {u"format", u"video"}};
    for (size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].prefix, list[i].first);
        EXPECT_EQ(records[i].uri, list[i].second);
        EXPECT_EQ(records[i].children, 0);
        if (list[i].first == u"xmp") {
            EXPECT_EQ(records[i].values, (decltype(dcValues){{u"Rating", u"3"}}));
        } else if (list[i].first == u"none") {
            EXPECT_TRUE(records[i].values.empty());
        } else {
            // dc and DC both read the group that FindMetaDataByPrefix finds first.
            EXPECT_EQ(records[i].values, dcValues) << i;
        }
    }

    // The records are copies: they outlive the source unchanged.
    source.reset();
    EXPECT_EQ(Children(*root).size(), list.size());
    root->Clear();
    EXPECT_EQ(root->m_Children.GetSize(), 0);
    root->Clear();

    // An empty source gives a root without children.
    CMetaDataSource empty;
    empty.GetAllNamespaces(root.get());
    EXPECT_TRUE(Children(*root).empty());
}

std::unique_ptr<CRule> MakeRule(int type, const CString& tag, const CString& second, bool val) {
    auto rule = std::make_unique<CRule>();
    rule->SetPush(tag, second);
    rule->m_nType = type;
    rule->m_bValidation = val;
    return rule;
}

TEST(MetaDataSource, RuleListCopiesAndEvaluation) {
    auto source = Split(kExample);
    const CString title = Tag(kDc, u"title");
    CRuleArray from;
    from.Add(MakeRule(RuleTypePush, title, u"dest1", false).release());
    from.Add(MakeRule(RuleTypeIsOneOf, u"HTTP://ns.adobe.com/xap/1.0/:Rating", u"1,2,3", true)
                 .release());
    from.Add(MakeRule(RuleTypeEqualsStr, Tag(kDc, u"missing"), u"x", false).release());
    source->CopyRules(&from);
    FreeRuleArray(&from);
    source->CopyRules(nullptr);  // nothing
    source->CopyRules(&source->m_Rules);
    ASSERT_EQ(source->m_Rules.GetSize(), 3);

    CRuleArray parsed;
    source->ParseRules(&parsed);
    ASSERT_EQ(parsed.GetSize(), 3);
    EXPECT_EQ(parsed[0]->GetArg(0).str(), u"Hello");
    EXPECT_EQ(parsed[0]->GetArg(1).str(), u"dest1");
    EXPECT_EQ(parsed[0]->m_nType, RuleTypePush);
    EXPECT_EQ(parsed[1]->GetArg(0).str(), u"3");
    EXPECT_EQ(parsed[1]->GetArg(1).str(), u"1,2,3");
    EXPECT_TRUE(parsed[1]->m_bValidation);
    EXPECT_EQ(parsed[2]->m_nType, RuleTypeUnresolved);
    EXPECT_EQ(parsed[2]->GetArg(0).str(), Tag(kDc, u"missing").str());
    FreeRuleArray(&parsed);

    // Stored rules keep their tags; copies are independent of them.
    CRuleArray copies;
    source->GetRules(&copies);
    ASSERT_EQ(copies.GetSize(), 3);
    EXPECT_EQ(copies[0]->GetArg(0).str(), title);
    EXPECT_NE(copies[0], source->m_Rules[0]);
    std::unique_ptr<CRuleArray> clones(source->CloneRules());
    ASSERT_EQ(clones->GetSize(), 3);
    EXPECT_EQ((*clones)[2]->m_nType, RuleTypeEqualsStr);
    FreeRuleArray(clones.get());
    FreeRuleArray(&copies);

    std::unique_ptr<CRule> one(source->EvaluateRule(0));
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(one->GetArg(0).str(), u"Hello");
    EXPECT_EQ(source->EvaluateRule(3), nullptr);
    EXPECT_EQ(source->ResolveTag(nullptr), -1);
    auto unresolved = MakeRule(RuleTypePush, u"abcd:title", u"d", false);
    EXPECT_EQ(source->ResolveTag(unresolved.get()), -3);
    EXPECT_EQ(unresolved->m_nType, RuleTypeUnresolved);

    // Handing a source its own list changes nothing.
    source->GetRules(&source->m_Rules);
    source->ParseRules(&source->m_Rules);
    ASSERT_EQ(source->m_Rules.GetSize(), 3);
    EXPECT_EQ(source->m_Rules[0]->GetArg(0).str(), title);
}

}  // namespace
