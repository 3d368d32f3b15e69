// alloc_failure_test.cpp - every allocation of an export failing in turn: std::bad_alloc reaches
// the caller, nothing leaks, and the scene (and whatever the host passed in) is exactly as before;
// the scene then still takes the call. operator new is replaced for this whole binary, and BSTRs
// and the XML reader allocate through it too; it fails only while a call is armed. The exports
// reach every layer below: the reader and its handlers, the element tree, rule copies, evaluation,
// the rules text both ways, the packet reader and the namespace records.
#include <gtest/gtest.h>

#include <new>
#include <string>
#include <vector>

#include "host/host_test_peer.h"
#include "host/olvane_app.h"
#include "olvane/olvane.h"
#include "platform/codepage.h"
#include "rules/test_support.h"
#include "tests/alloc/failing_allocator_test_support.h"
#include "zev/registry.h"

namespace {

const char kPacket[] =
    "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
    "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
    "<rdf:Description xmlns:dc='http://purl.org/dc/elements/1.1/' "
    "xmlns:xmp='http://ns.adobe.com/xap/1.0/' xmp:Rating='3'>"
    "<dc:title><rdf:Alt><rdf:li xml:lang='x-default'>Harbour at dawn</rdf:li></rdf:Alt></dc:title>"
    "<dc:subject><rdf:Bag><rdf:li>harbour</rdf:li><rdf:li>dawn</rdf:li></rdf:Bag></dc:subject>"
    "<dc:format>video</dc:format></rdf:Description></rdf:RDF></x:xmpmeta>";

const char kOtherPacket[] =
    "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
    "xmlns:photoshop='http://ns.adobe.com/photoshop/1.0/' photoshop:Headline='Saturday market'>"
    "<photoshop:Source>Staff</photoshop:Source></rdf:Description></rdf:RDF>";

const char16_t kRules[] =
    u"<Pavex-MetaData-Rules>"
    u"<DataPush tag=\"http://purl.org/dc/elements/1.1/:title\" to=\"T1\" val=\"true\"/>"
    u"<DataIsOneOf tag=\"http://ns.adobe.com/xap/1.0/:Rating\" to=\"1,2,3\" val=\"false\"/>"
    u"<DataContainsStr tag=\"http://purl.org/dc/elements/1.1/:missing\" to=\"a &amp; b\"/>"
    u"</Pavex-MetaData-Rules>";

const char16_t kMoreRules[] =
    u"<Pavex-MetaData-Rules>"
    u"<DataEqualsDest tag=\"http://purl.org/dc/elements/1.1/:format\" to=\"T1\" val=\"TRUE\"/>"
    u"<DataWithoutStr tag=\"http://ns.adobe.com/photoshop/1.0/:Source\" to=\"&lt;none&gt;\"/>"
    u"</Pavex-MetaData-Rules>";

std::string Text(BSTR b) {
    return b == nullptr ? "(null)" : WideToUtf8(std::u16string_view(b, SysStringLen(b)));
}

// Every field of the scene in its map's order, so that an entry a failed call left behind shows.
std::string Dump(const CPavexScene& scene) {
    const CDestinationMap& map = HostTestPeer::Destinations(scene);
    std::string out;
    for (POSITION pos = map.GetStartPosition(); pos != nullptr;) {
        const auto* entry = map.GetNextAssocPtr(pos);
        const CDestination* object = entry->value.get();
        out += WideToUtf8(entry->key.view()) + " " + WideToUtf8(object->GetKey().view()) + " " +
               std::to_string(object->GetType()) + " " + WideToUtf8(object->GetName().view()) +
               " " + std::to_string(object->GetHostData()) + "\n";
        if (object->GetType() == 1) {
            const auto& source = static_cast<const CMetaDataSource&>(*object);
            for (INT_PTR i = 0; i < source.GetMetaData().GetSize(); ++i) {
                const CMetaData* group = source.GetMetaData()[i];
                out += " " + WideToUtf8(group->GetPrefix().view()) + "=" +
                       WideToUtf8(group->GetNamespace().view());
                group->GetValues().ForEach([&](const ValueMap::Entry& e) {
                    out += " " + WideToUtf8(e.key()) + ":" + WideToUtf8(e.value());
                });
            }
            out += "\n rules " + rules_test::Describe(source.GetStoredRules()) + "\n";
        }
    }
    return out;
}

std::string Dump(const OlvaneRuleArray& records) {
    return rules_test::Describe(reinterpret_cast<const CRuleArray&>(records));
}

// The host's namespace records; their values are keyed by pointer, so only their count shows.
std::string Dump(const OlvaneNamespace* root) {
    std::string out = root == nullptr ? "(none)" : "";
    for (intptr_t i = 0; root != nullptr && i < root->children.size; ++i) {
        const OlvaneNamespace* record = root->children.data[i];
        out += " " + Text(record->prefix) + " " + Text(record->ns_uri) + " " +
               std::to_string(record->values.count);
    }
    return out;
}

int g_padding = 0;  // extra scenes each fixture makes, to move the scene map's fill level

// A scene as a host builds one, and what the host holds: records of an earlier call, a tree.
struct Fixture {
    Fixture() {
        scene = AddScene();
        EXPECT_EQ(AddDestination(scene, "Headline", "T1", 7), 1);
        EXPECT_EQ(SetMetaData(scene, kPacket, "clip", "Clip"), 1);
        EXPECT_EQ(SetRulesXML(scene, "clip", SysAllocString(kRules), 0), 1);
        EXPECT_EQ(SetMetaData(scene, kOtherPacket, "still", "Still"), 1);
        EXPECT_EQ(SetRulesXML(scene, "still", SysAllocString(kMoreRules), 0), 1);
        EXPECT_EQ(GetRules(scene, "clip", &records), 1);
        EXPECT_EQ(GetAllNamespaces(scene, "still", &tree), 1);
        for (int i = 0; i < g_padding; ++i) {
            padding.push_back(AddScene());
        }
        xml = SysAllocString(kMoreRules);
    }
    ~Fixture() {
        FreeRules(&records);
        FreeNamespace(&tree);
        FreeNamespace(&fresh);
        for (const int id : padding) {
            DelScene(id);
        }
        DelScene(scene);
        DelScene(added);
        SysFreeString(xml);
        SysFreeString(text);
    }
    Fixture(const Fixture&) = delete;
    Fixture& operator=(const Fixture&) = delete;

    std::string State() const {
        return "scenes " + std::to_string(HostTestPeer::SceneCount()) + ", next id " +
               std::to_string(HostTestPeer::NextSceneID() - scene) + "\n" +
               Dump(*TheApp().FindScene(scene)) + "records " + Dump(records) + "\ntree" +
               Dump(tree) + "\nnew tree" + Dump(fresh) + "\nreturned " + Text(text) + "\n";
    }

    int scene = 0;
    OlvaneRuleArray records{};
    OlvaneNamespace* tree = nullptr;
    OlvaneNamespace* fresh = nullptr;  // a tree the call hands back
    BSTR xml = nullptr;                // rules text the test owns until a call takes it
    BSTR text = nullptr;               // a string the call handed back
    int added = 0;                     // a scene the call made
    std::vector<int> padding;
};

// Runs op (export calls only) on a fresh fixture with its 1st, 2nd ... allocation failing, until a
// run gets through without reaching the armed one. A run that throws must leave the fixture as it
// was and leak nothing; the scene must then take the call. A run that does not throw must have done
// the whole job (a failed allocation with a fallback that needs no memory, as std::stable_sort's
// buffer). Returns the number of failure points.
int FailEachAllocation(int (*op)(Fixture&)) {
    std::string before;
    std::string after;
    int expected = 0;
    {
        Fixture reference;
        before = reference.State();
        expected = op(reference);
        after = reference.State();
    }
    EXPECT_NE(before, after) << "the call changes nothing visible";
    for (long n = 0; n < 1000000; ++n) {
        const long live = failing_allocator::g_liveBlocks;
        bool failed = false;
        {
            Fixture f;
            bool threw = false;
            int result = 0;
            failing_allocator::Arm(n + 1);
            try {
                result = op(f);
            } catch (const std::bad_alloc&) {
                threw = true;
            }
            failing_allocator::Disarm();
            failed = failing_allocator::Failed();
            EXPECT_EQ(zev::GetRegisteredObjectCount(), 0u);
            if (threw) {
                EXPECT_EQ(f.State(), before) << "changed by a failed call";
                result = op(f);
            }
            EXPECT_EQ(result, expected);
            EXPECT_EQ(f.State(), after) << (threw ? "after the retry" : "incomplete call");
        }
        EXPECT_EQ(failing_allocator::g_liveBlocks, live) << "leaked blocks";
        if (::testing::Test::HasFailure()) {
            ADD_FAILURE() << "with allocation " << n << " failing";
            return static_cast<int>(n);
        }
        if (!failed) {
            return static_cast<int>(n);
        }
    }
    ADD_FAILURE() << "never got through";
    return -1;
}

// Once the call is through the library has freed the text; when it throws, the text is still ours.
int SetMoreRules(Fixture& f, int append) {
    const int result = SetRulesXML(f.scene, "clip", f.xml, append);
    f.xml = nullptr;
    return result;
}

TEST(AllocationFailure, EveryExportChangesNothingWhenAnAllocationFails) {
    struct Case {
        const char* what;
        int (*op)(Fixture&);
    };
    const Case cases[] = {
        {"SetMetaData new key",
         [](Fixture& f) { return SetMetaData(f.scene, kOtherPacket, "new", "New"); }},
        {"SetMetaData replacing a source",
         [](Fixture& f) { return SetMetaData(f.scene, kOtherPacket, "clip", "Again"); }},
        {"SetRulesXML replace", [](Fixture& f) { return SetMoreRules(f, 0); }},
        {"SetRulesXML append", [](Fixture& f) { return SetMoreRules(f, 1); }},
        {"GetRules", [](Fixture& f) { return GetRules(f.scene, "still", &f.records); }},
        {"ParseRules", [](Fixture& f) { return ParseRules(f.scene, "clip", &f.records); }},
        {"GetRulesXML",
         [](Fixture& f) {
             return static_cast<int>((f.text = GetRulesXML(f.scene, "clip")) != nullptr);
         }},
        {"GetAllNamespaces",
         [](Fixture& f) { return GetAllNamespaces(f.scene, "clip", &f.fresh); }},
        {"AddDestination new key",
         [](Fixture& f) { return AddDestination(f.scene, "Lower third", "T2", 9); }},
        // Replacing: the old object goes, the new one takes the key's place.
        {"SetMetaData replacing a destination",
         [](Fixture& f) { return SetMetaData(f.scene, kPacket, "T1", "Clip"); }},
        {"DelDestination", [](Fixture& f) { return DelDestination(f.scene, "clip"); }},
        // The scene map allocates a block for every tenth entry; the padding moves its fill level.
        {"AddScene", [](Fixture& f) { return (f.added = AddScene()) - f.scene - g_padding; }},
    };
    int total = 0;
    for (const Case& c : cases) {
        int points = 0;
        for (g_padding = 0; g_padding < (&c == &cases[std::size(cases) - 1] ? 10 : 1);
             ++g_padding) {
            points += FailEachAllocation(c.op);
        }
        std::printf("alloc-failure points: %-40s %4d\n", c.what, points);
        total += points;
    }
    g_padding = 0;
    std::printf("alloc-failure points: %d in all\n", total);
    // Fewer in the DLL, whose containers allocate through its own operator new, out of reach.
#if defined(_WIN32)
    EXPECT_GT(total, 200);
#else
    EXPECT_GT(total, 400);
#endif
}

}  // namespace
