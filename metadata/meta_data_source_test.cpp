// meta_data_source_test.cpp - a source's value groups split from flat pairs. What packets give,
// tag lookup and the namespace records are cases in tests/cases/.
#include "metadata/meta_data_source.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "metadata/test_support.h"

namespace {

using namespace metadata_test;

// A source split from flat pairs set in this order.
std::unique_ptr<CMetaDataSource> Split(const Pairs& pairs) {
    auto source = std::make_unique<CMetaDataSource>();
    CMetaData flat;
    for (const auto& [k, v] : pairs) {
        flat.SetValue(k, v);
    }
    source->SplitByNamespace(&flat);
    EXPECT_TRUE(flat.GetValues().IsEmpty());
    return source;
}

TEST(MetaDataSource, SplitsPairsIntoOneGroupPerDeclaredNamespace) {
    // Declarations in any letter case; values whose prefix differs in case are collected; a
    // declared namespace without values still has its group; undeclared prefixes are dropped.
    auto source = Split({{u"XMLNS:dc", kDc},
                         {u"xmlns:empty", u"urn:empty"},
                         {u"DC:title", u"T"},
                         {u"rdf:about", u""}});
    EXPECT_EQ(Namespaces(*source), (Pairs{{u"empty", u"urn:empty"}, {u"dc", kDc}}));
    ASSERT_EQ(source->GetMetaData().GetSize(), 3);
    EXPECT_TRUE(source->GetMetaData()[1]->GetValues().IsEmpty());  // groups in the list's order
    EXPECT_EQ(GroupValues(*source, u"dc"), (Pairs{{u"title", u"T"}}));

    // Both declarations share bucket 1, so xmlns:DC is read first; both prefixes share bucket
    // 16, where "dc" is newer and so first: it takes every value, DC:a read before dc:a.
    source = Split({{u"xmlns:dc", u"urn:lower"},
                    {u"xmlns:DC", u"urn:upper"},
                    {u"dc:a", u"1"},
                    {u"DC:b", u"2"},
                    {u"DC:a", u"3"}});
    EXPECT_EQ(Namespaces(*source), (Pairs{{u"dc", u"urn:lower"}, {u"DC", u"urn:upper"}}));
    EXPECT_EQ(Entries(source->GetMetaData()[1]->GetValues(), true),
              (Pairs{{u"a", u"1"}, {u"b", u"2"}}));
    EXPECT_TRUE(source->GetMetaData()[2]->GetValues().IsEmpty());

    // The empty prefix takes keys starting with ':'; of two prefixes that fit a key, the one
    // first in the list wins ("a:b" in bucket 1 before "a" in 12).
    source = Split({{u"xmlns:", u"urn:none"},
                    {u"xmlns:a", u"urn:a"},
                    {u"xmlns:a:b", u"urn:ab"},
                    {u"::x", u"1"},
                    {u"a:b:c", u"2"},
                    {u"a:z", u"3"}});
    EXPECT_EQ(GroupValues(*source, u""), (Pairs{{u":x", u"1"}}));
    EXPECT_EQ(GroupValues(*source, u"a:b"), (Pairs{{u"c", u"2"}}));
    EXPECT_EQ(GroupValues(*source, u"a"), (Pairs{{u"z", u"3"}}));

    // Splitting one of the source's own groups must not read freed memory.
    source->GetMetaData()[1]->SetValue(u"xmlns:x", u"urn:x");
    source->SplitByNamespace(source->GetMetaData()[1]);
    EXPECT_EQ(Namespaces(*source), (Pairs{{u"x", u"urn:x"}}));
    source->SplitByNamespace(nullptr);
    EXPECT_EQ(source->GetFirstNamespacePosition(), nullptr);
    EXPECT_EQ(source->GetMetaData()[0]->GetNamespace(), u"adobe:ns:meta/");
}

}  // namespace
