// meta_data_test.cpp - flattening mirrored packet trees into qualified-name/value pairs.
#include "metadata/meta_data.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "metadata/meta_data_tree.h"

namespace {

using Pairs = std::vector<std::pair<std::u16string, std::u16string>>;

// Sets a node up as the mirror of an element with this qualified name would be.
void Describe(CMetaDataTree& node, std::u16string_view qname, std::u16string_view text = u"",
              std::initializer_list<std::pair<const char16_t*, const char16_t*>> attrs = {}) {
    const size_t colon = qname.find(u':');
    node.m_strPrefix =
        colon == std::u16string_view::npos ? CString() : CString(qname.substr(0, colon));
    node.m_strName =
        colon == std::u16string_view::npos ? CString(qname) : CString(qname.substr(colon + 1));
    node.m_strText = CString(text);
    for (const auto& [key, value] : attrs) {
        node.m_Attributes.SetAt(key, value);
    }
}

CMetaDataTree& Add(CMetaDataTree& parent, std::u16string_view qname, std::u16string_view text = u"",
                   std::initializer_list<std::pair<const char16_t*, const char16_t*>> attrs = {}) {
    auto* child = new CMetaDataTree;
    parent.m_Children.Add(child);
    Describe(*child, qname, text, attrs);
    return *child;
}

Pairs Flat(const CMetaDataTree& root) {
    CMetaData flat;
    flat.Flatten(&root);
    Pairs out;
    POSITION pos = flat.m_Values.GetStartPosition();
    while (pos != nullptr) {
        const auto* entry = flat.m_Values.GetNextAssocPtr(pos);
        out.emplace_back(entry->key.str(), entry->value.str());
    }
    return out;
}

std::u16string ValueOf(const Pairs& pairs, std::u16string_view key) {
    for (const auto& [k, v] : pairs) {
        if (k == key) {
            return v;
        }
    }
    return u"<absent>";
}

bool Has(const Pairs& pairs, std::u16string_view key) {
    return ValueOf(pairs, key) != u"<absent>";
}

TEST(Flatten, WorkedExamplePacket) {
    CMetaDataTree root;
    Describe(root, u"x:xmpmeta", u"\n", {{u"xmlns:x", u"adobe:ns:meta/"}});
    CMetaDataTree& rdf = Add(root, u"rdf:RDF", u"\n", {{u"xmlns:rdf", u"R"}});
    CMetaDataTree& desc = Add(
        rdf, u"rdf:Description", u"\n  ",
        {{u"rdf:about", u""}, {u"xmlns:dc", u"U"}, {u"xmlns:xmp", u"V"}, {u"xmp:Rating", u"3"}});
    Add(Add(Add(desc, u"dc:title", u"\n"), u"rdf:Alt"), u"rdf:li", u"Hello",
        {});  // no xml:lang here: a property item's attributes do not matter
    CMetaDataTree& bag = Add(Add(desc, u"dc:subject"), u"rdf:Bag");
    Add(bag, u"rdf:li", u"a");
    Add(bag, u"rdf:li", u"b");
    Add(desc, u"dc:format", u"video");

    const Pairs flat = Flat(root);
    EXPECT_EQ(flat.size(), 7u);
    EXPECT_EQ(ValueOf(flat, u"rdf:about"), u"");
    EXPECT_EQ(ValueOf(flat, u"xmlns:dc"), u"U");
    EXPECT_EQ(ValueOf(flat, u"xmlns:xmp"), u"V");
    EXPECT_EQ(ValueOf(flat, u"xmp:Rating"), u"3");
    EXPECT_EQ(ValueOf(flat, u"dc:title"), u"Hello");
    EXPECT_EQ(ValueOf(flat, u"dc:subject"), u"a, b");
    EXPECT_EQ(ValueOf(flat, u"dc:format"), u"video");
    // Declarations on the wrapper and on rdf:RDF are not pairs.
    EXPECT_FALSE(Has(flat, u"xmlns:x"));
    EXPECT_FALSE(Has(flat, u"xmlns:rdf"));
}

TEST(Flatten, PropertyShapes) {
    CMetaDataTree root;
    Describe(root, u"rdf:RDF");
    CMetaDataTree& desc = Add(root, u"rdf:Description");
    // Any attribute on a property element: only its attributes count.
    Add(Add(desc, u"dc:rights", u"lost text", {{u"xml:lang", u"en"}}), u"rdf:Alt");
    CMetaDataTree& typed = Add(desc, u"ns:struct", u"", {{u"rdf:parseType", u"Resource"}});
    Add(typed, u"ns:field", u"lost too");
    // An empty list, a list of one, a list of items that carry attributes.
    Add(Add(desc, u"dc:empty"), u"rdf:Bag");
    Add(Add(Add(desc, u"dc:one"), u"rdf:Seq"), u"rdf:li", u"only");
    CMetaDataTree& alt = Add(Add(desc, u"dc:title"), u"rdf:Alt");
    Add(alt, u"rdf:li", u"Hallo", {{u"xml:lang", u"de"}});
    Add(alt, u"rdf:li", u"Hi", {{u"xml:lang", u"x-default"}});
    // A nested Description: its field elements' texts joined; fields as attributes give "".
    CMetaDataTree& nested = Add(Add(desc, u"ns:contact"), u"rdf:Description");
    Add(nested, u"ns:city", u"Exampleton");
    Add(nested, u"ns:country", u"Utopia");
    Add(Add(desc, u"ns:attrs"), u"rdf:Description", u"", {{u"ns:city", u"Nowhere"}});
    // Only the first child of a property is looked at.
    CMetaDataTree& two = Add(desc, u"dc:two");
    Add(Add(two, u"rdf:Bag"), u"rdf:li", u"first");
    Add(Add(two, u"rdf:Bag"), u"rdf:li", u"second");
    // Texts are kept exactly, white space included.
    Add(desc, u"dc:spaced", u"  padded \n");

    const Pairs flat = Flat(root);
    // Only dc:rights' own xml:lang became a pair: the list items' ones are never read.
    EXPECT_EQ(ValueOf(flat, u"xml:lang"), u"en");
    EXPECT_FALSE(Has(flat, u"dc:rights"));
    EXPECT_EQ(ValueOf(flat, u"rdf:parseType"), u"Resource");
    EXPECT_FALSE(Has(flat, u"ns:struct"));
    EXPECT_FALSE(Has(flat, u"ns:field"));
    EXPECT_EQ(ValueOf(flat, u"dc:empty"), u"");
    EXPECT_EQ(ValueOf(flat, u"dc:one"), u"only");
    EXPECT_EQ(ValueOf(flat, u"dc:title"), u"Hallo, Hi");
    EXPECT_EQ(ValueOf(flat, u"ns:contact"), u"Exampleton, Utopia");
    EXPECT_EQ(ValueOf(flat, u"ns:attrs"), u"");
    EXPECT_FALSE(Has(flat, u"ns:city"));
    EXPECT_EQ(ValueOf(flat, u"dc:two"), u"first");
    EXPECT_EQ(ValueOf(flat, u"dc:spaced"), u"  padded \n");
}

TEST(Flatten, DocumentElementsAndDescriptions) {
    {
        // Under the wrapper only the first child is read, whatever it is.
        CMetaDataTree root;
        Describe(root, u"X:xmpmeta");  // prefixes compare ignoring case
        Add(root, u"dc:first", u"one");
        CMetaDataTree& rdf = Add(root, u"rdf:RDF");
        Add(rdf, u"rdf:Description", u"", {{u"xmlns:dc", u"U"}});
        EXPECT_EQ(Flat(root), (Pairs{{u"dc:first", u"one"}}));
    }
    {
        // rdf:RDF as the document element; several Descriptions, a later one overwrites, its
        // pair keeping its place; Description matched ignoring case; non-Description rdf
        // elements are walked through.
        CMetaDataTree root;
        Describe(root, u"RDF:RDF");
        Add(root, u"rdf:Description", u"", {{u"dc:a", u"1"}, {u"xmlns:dc", u"U"}});
        Add(root, u"rdf:description", u"", {{u"dc:a", u"2"}});
        Add(Add(root, u"rdf:Other"), u"dc:b", u"3");
        const Pairs flat = Flat(root);
        EXPECT_EQ(flat.size(), 3u);
        EXPECT_EQ(ValueOf(flat, u"dc:a"), u"2");
        EXPECT_EQ(ValueOf(flat, u"dc:b"), u"3");
    }
    {
        // Any other document element is read as one property.
        CMetaDataTree root;
        Describe(root, u"doc", u"body");
        Add(root, u"rdf:Description", u"", {{u"xmlns:dc", u"U"}});
        EXPECT_EQ(Flat(root), (Pairs{{u":doc", u""}}));  // its first child has no children
        CMetaDataTree bare;
        Describe(bare, u"p:doc", u"body");
        EXPECT_EQ(Flat(bare), (Pairs{{u"p:doc", u"body"}}));
        CMetaDataTree attributed;
        Describe(attributed, u"p:doc", u"body", {{u"a", u"1"}});
        EXPECT_EQ(Flat(attributed), (Pairs{{u"a", u"1"}}));
    }
    {
        // Nothing from nothing; empty nodes where non-element children stood are harmless.
        CMetaData flat;
        flat.Flatten(nullptr);
        EXPECT_TRUE(flat.m_Values.IsEmpty());
        CMetaDataTree root;
        Describe(root, u"rdf:RDF");
        root.m_Children.Add(nullptr);
        root.m_Children.Add(new CMetaDataTree);
        CMetaDataTree& prop = Add(root, u"dc:list");
        prop.m_Children.Add(new CMetaDataTree);
        EXPECT_EQ(Flat(root), (Pairs{{u":", u""}, {u"dc:list", u""}}));
    }
}

TEST(Flatten, DeepNestingNeitherOverflowsNorLeaks) {
    CMetaDataTree root;
    Describe(root, u"rdf:RDF");
    CMetaDataTree* node = &root;
    for (int i = 0; i < 200000; ++i) {
        node = &Add(*node, u"rdf:Description");
    }
    Add(*node, u"dc:deep", u"found");
    EXPECT_EQ(Flat(root), (Pairs{{u"dc:deep", u"found"}}));
    root.RemoveAllChildren();
    EXPECT_TRUE(root.m_Children.IsEmpty());
}

}  // namespace
