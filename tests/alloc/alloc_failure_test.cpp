// alloc_failure_test.cpp - every allocation of an export failing in turn: std::bad_alloc reaches
// the caller, nothing leaks, and the scene (and whatever the host passed in) is exactly as before.
// operator new is replaced for this whole binary; BSTRs and the XML reader allocate through it
// too. It only fails while a test has armed it.
#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <string>
#include <vector>

#include "host/host_test_peer.h"
#include "host/olvane_app.h"
#include "olvane/olvane.h"
#include "rules/test_support.h"
#include "tests/alloc/scene_dump.h"
#include "zev/failing_allocator_test_support.h"
#include "zev/registry.h"

namespace {

using alloc_test::DumpRecords;
using alloc_test::DumpScene;
using alloc_test::DumpTree;

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

BSTR Bstr(const char16_t* text) {
    return SysAllocString(text);
}

int g_padding = 0;  // extra scenes each fixture makes, to move the scene map's fill level

// A scene as a host builds one: a destination, a source with rules, and what the host holds: a
// rule array filled by an earlier call and a namespace tree.
struct Fixture {
    Fixture() {
        scene = AddScene();
        EXPECT_EQ(AddDestination(scene, "Headline", "T1", 7), 1);
        EXPECT_EQ(SetMetaData(scene, kPacket, "clip", "Clip"), 1);
        EXPECT_EQ(SetRulesXML(scene, "clip", Bstr(kRules), 0), 1);
        EXPECT_EQ(SetMetaData(scene, kOtherPacket, "still", "Still"), 1);
        EXPECT_EQ(SetRulesXML(scene, "still", Bstr(kMoreRules), 0), 1);
        EXPECT_EQ(GetRules(scene, "clip", &records), 1);
        EXPECT_EQ(GetAllNamespaces(scene, "still", &tree), 1);
        for (int i = 0; i < g_padding; ++i) {
            padding.push_back(AddScene());
        }
    }
    ~Fixture() {
        FreeRules(&records);
        if (tree != nullptr) {
            FreeNamespace(&tree);
        }
        DelScene(scene);
        if (added != 0) {
            DelScene(added);
        }
        for (const int id : padding) {
            DelScene(id);
        }
        SysFreeString(xml);
        SysFreeString(text);
    }
    Fixture(const Fixture&) = delete;
    Fixture& operator=(const Fixture&) = delete;

    // Everything a call may change, as text.
    std::string State() const {
        return "scenes " + std::to_string(HostTestPeer::SceneCount()) + ", next id " +
               std::to_string(HostTestPeer::NextSceneID() - scene) + "\n" +
               DumpScene(*TheApp().FindScene(scene)) + "records: " + DumpRecords(records) +
               "\ntree: " + DumpTree(tree) + "\nreturned: " + std::to_string(returned) + " " +
               alloc_test::Text(text) + "\n";
    }

    int scene = 0;
    OlvaneRuleArray records{};
    OlvaneNamespace* tree = nullptr;
    BSTR xml = nullptr;   // a string the test handed over and still owns
    BSTR text = nullptr;  // a string the call handed back
    int returned = 0;
    int added = 0;  // a scene the call made
    std::vector<int> padding;
};

using Op = std::function<int(Fixture&)>;

long g_plan = -1;    // the allocation that Armed makes fail; negative: none
int g_raised = 0;    // failure points at which the call raised std::bad_alloc
int g_absorbed = 0;  // ... and at which it absorbed the failure and still did the whole job (the
                     // scratch buffer of std::stable_sort, the work list of a mirror tree's
                     // teardown: both have a fallback that needs no memory)

// Runs one export with the planned allocation failing. Only the export itself is armed, never the
// test's own preparation or bookkeeping around it.
template <class Call>
int Armed(Call call) {
    failing_allocator::Arm(g_plan + 1);
    try {
        const int result = call();
        failing_allocator::Disarm();
        return result;
    } catch (...) {
        failing_allocator::Disarm();
        throw;
    }
}

// Runs op on a fresh fixture with the 0th, 1st, 2nd ... allocation of its export failing, until a
// run gets through without reaching the armed one. A run that throws must leave the fixture as it
// was and hold no block more than before once the fixture is gone; the scene must then still take
// the call. A run that swallows its failure must have done the whole job. Returns the number of
// failure points.
int FailEachAllocation(const Op& op) {
    const auto failures = [] {
        return ::testing::UnitTest::GetInstance()
            ->current_test_info()
            ->result()
            ->total_part_count();
    };
    const int failuresBefore = failures();
    std::string before;
    std::string after;
    int expected = 0;
    g_plan = -1;
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
            EXPECT_EQ(f.State(), before);
            bool threw = false;
            int result = 0;
            g_plan = n;
            try {
                result = op(f);
            } catch (const std::bad_alloc&) {
                threw = true;
            }
            g_plan = -1;
            failed = failing_allocator::Failed();
            EXPECT_EQ(zev::GetRegisteredObjectCount(), 0u);
            if (failed) {
                ++(threw ? g_raised : g_absorbed);
            }
            if (threw) {
                EXPECT_EQ(f.State(), before) << "changed by a failed call";
                EXPECT_EQ(op(f), expected) << "the scene no longer takes the call";
            } else {
                EXPECT_EQ(result, expected);
            }
            EXPECT_EQ(f.State(), after) << (threw ? "after the retry" : "incomplete call");
        }
        EXPECT_EQ(failing_allocator::g_liveBlocks, live) << "leaked blocks";
        if (failures() != failuresBefore) {
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

// The export and its case, and the number of failure points it had.
void Report(const char* what, int points) {
    static int total = 0;
    static int raised = 0;
    static int absorbed = 0;
    total += points;
    std::printf("alloc-failure points: %-40s %4d (raised %d, absorbed %d); %d so far\n", what,
                points, g_raised - raised, g_absorbed - absorbed, total);
    raised = g_raised;
    absorbed = g_absorbed;
    ::testing::Test::RecordProperty(what, points);
}

TEST(AllocationFailure, SetMetaData) {
    Report("SetMetaData new key", FailEachAllocation([](Fixture& f) {
               return Armed([&] { return SetMetaData(f.scene, kOtherPacket, "new", "New"); });
           }));
    Report("SetMetaData replacing a source", FailEachAllocation([](Fixture& f) {
               return Armed([&] { return SetMetaData(f.scene, kOtherPacket, "clip", "Again"); });
           }));
    Report("SetMetaData replacing a destination", FailEachAllocation([](Fixture& f) {
               return Armed([&] { return SetMetaData(f.scene, kPacket, "T1", "Clip"); });
           }));
}

TEST(AllocationFailure, SetRulesXML) {
    // The host keeps its string while the call throws; once the call is through, the library has
    // freed it.
    for (const int append : {0, 1}) {
        Report(append ? "SetRulesXML append" : "SetRulesXML replace",
               FailEachAllocation([append](Fixture& f) {
                   SysFreeString(f.xml);
                   f.xml = Bstr(kMoreRules);
                   const int result =
                       Armed([&] { return SetRulesXML(f.scene, "clip", f.xml, append); });
                   f.xml = nullptr;
                   return result;
               }));
    }
}

TEST(AllocationFailure, RuleRecords) {
    // The host's array holds the records of an earlier call, which the call replaces.
    Report("GetRules", FailEachAllocation([](Fixture& f) {
               return Armed([&] { return GetRules(f.scene, "still", &f.records); });
           }));
    Report("ParseRules", FailEachAllocation([](Fixture& f) {
               return Armed([&] { return ParseRules(f.scene, "clip", &f.records); });
           }));
    Report("GetRulesXML", FailEachAllocation([](Fixture& f) {
               f.returned = Armed([&] {
                   f.text = GetRulesXML(f.scene, "clip");
                   return 1;
               });
               return 1;
           }));
}

TEST(AllocationFailure, GetAllNamespaces) {
    Report("GetAllNamespaces", FailEachAllocation([](Fixture& f) {
               OlvaneNamespace* old = f.tree;
               const int result = Armed([&] { return GetAllNamespaces(f.scene, "clip", &f.tree); });
               FreeNamespace(&old);
               return result;
           }));
}

TEST(AllocationFailure, AddScene) {
    // The scene map allocates a block for every tenth entry; one of these fill levels needs one.
    int points = 0;
    for (g_padding = 0; g_padding < 10; ++g_padding) {
        points += FailEachAllocation([](Fixture& f) {
            f.added = Armed([] { return AddScene(); });
            return f.added - f.scene - g_padding;
        });
    }
    g_padding = 0;
    Report("AddScene", points);
}

TEST(AllocationFailure, Destinations) {
    Report("AddDestination new key", FailEachAllocation([](Fixture& f) {
               return Armed([&] { return AddDestination(f.scene, "Lower third", "T2", 9); });
           }));
    Report("AddDestination replacing a source", FailEachAllocation([](Fixture& f) {
               return Armed([&] { return AddDestination(f.scene, "Was a clip", "clip", 3); });
           }));
    Report("AddDestination replacing a destination", FailEachAllocation([](Fixture& f) {
               return Armed([&] { return AddDestination(f.scene, "Headline 2", "T1", 8); });
           }));
    Report("DelDestination", FailEachAllocation([](Fixture& f) {
               return Armed([&] { return DelDestination(f.scene, "clip"); });
           }));
}

}  // namespace
