// host_api_test.cpp - the exports as a host sees them: codes, scenes, destinations, ownership of
// what crosses the boundary, and a clean unload.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "plugin.h"

namespace {

const char kPacket[] =
    "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
    "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
    "<rdf:Description xmlns:dc='http://purl.org/dc/elements/1.1/' dc:format='video'/>"
    "</rdf:RDF></x:xmpmeta>";

const char16_t kOneRule[] =
    u"<Pavex-MetaData-Rules><DataPush tag=\"http://purl.org/dc/elements/1.1/:format\" "
    u"to=\"T1\" val=\"true\"/></Pavex-MetaData-Rules>";

// Every test gets the library freshly loaded, as a host process would.
class HostApi : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(p.Load(OLVANE_PLUGIN_PATH), ""); }
    void TearDown() override { p.Unload(); }
    Plugin p;
};

TEST_F(HostApi, SceneIdsAndTheCodesForMissingScenesAndNullArguments) {
    EXPECT_EQ(p.AddScene(), 1);
    EXPECT_EQ(p.DelScene(1), 1);
    EXPECT_EQ(p.DelScene(1), -1);
    EXPECT_EQ(p.AddScene(), 2);
    p.RemoveAllScenes();
    p.RemoveAllScenes();         // on an empty registry: nothing
    EXPECT_EQ(p.AddScene(), 3);  // never reused
    EXPECT_EQ(p.DelScene(2), -1);

    OlvaneRuleArray rules{};
    OlvaneNamespace* tree = nullptr;
    EXPECT_EQ(p.AddDestination(7, "n", "k", 0), -1);
    EXPECT_EQ(p.DelDestination(7, "k"), -1);
    EXPECT_EQ(p.SetMetaData(7, kPacket, "k", "n"), -1);
    EXPECT_EQ(p.GetRules(7, "k", &rules), -1);
    EXPECT_EQ(p.ParseRules(7, "k", &rules), -1);
    EXPECT_EQ(p.RulesXML(7, "k"), u"-1");
    EXPECT_EQ(p.SetRulesDialog(7, "k"), -1);
    // A missing scene leaves the host's BSTR to the host (Plugin::SetRules frees it then; a double
    // free would show under the sanitizers).
    EXPECT_EQ(p.SetRules(7, "k", kOneRule, 0), -1);
    // The root record is handed out before the scene is looked up.
    EXPECT_EQ(p.GetAllNamespaces(7, "k", &tree), -1);
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(tree->children.size, 0);
    EXPECT_EQ(p.FreeNamespace(&tree), 1);

    // Null arguments are checked before the scene lookup.
    EXPECT_EQ(p.GetRules(99, "k", nullptr), -2);
    EXPECT_EQ(p.ParseRules(99, "k", nullptr), -2);
    EXPECT_EQ(p.GetAllNamespaces(99, "k", nullptr), -2);
    EXPECT_EQ(p.FreeRules(nullptr), -1);
    EXPECT_EQ(p.FreeNamespace(nullptr), -1);
    tree = nullptr;
    EXPECT_EQ(p.FreeNamespace(&tree), -2);
    EXPECT_EQ(p.FreeRules(&rules), 1);  // empty
    // Null keys and names are the empty key.
    EXPECT_EQ(p.AddDestination(3, nullptr, nullptr, 5), 1);
    EXPECT_EQ(p.AddDestination(3, "", "", 6), -3);
    EXPECT_EQ(p.SetMetaData(3, nullptr, nullptr, nullptr), -3);
    EXPECT_EQ(p.RulesXML(3, ""), p.RulesXML(3, nullptr));
}

TEST_F(HostApi, DestinationsAndSourcesShareOneKeySpace) {
    const int s = p.AddScene();
    EXPECT_EQ(p.AddDestination(s, "Headline", "T1", 1), 1);
    EXPECT_EQ(p.AddDestination(s, "Headline 2", "T1", 2), -3);
    EXPECT_EQ(p.DelDestination(s, "never"), -2);
    // Keys compare exactly.
    EXPECT_EQ(p.AddDestination(s, "lower", "t1", 0), 1);

    // A source under a destination's key replaces it, and the other way round.
    EXPECT_EQ(p.SetMetaData(s, kPacket, "T1", "clip"), -3);
    EXPECT_EQ(p.SetRules(s, "T1", kOneRule, 0), 1);
    EXPECT_NE(p.RulesXML(s, "T1").find(u"DataPush"), std::u16string::npos);
    EXPECT_EQ(p.AddDestination(s, "back", "T1", 0), -3);
    EXPECT_EQ(p.RulesXML(s, "T1"), u"-2");  // the source and its rules are gone

    // Deleting a source's key deletes the source.
    EXPECT_EQ(p.SetMetaData(s, kPacket, "clip", "clip"), 1);
    EXPECT_EQ(p.DelDestination(s, "clip"), 1);
    EXPECT_EQ(p.RulesXML(s, "clip"), u"-2");
    EXPECT_EQ(p.DelDestination(s, "clip"), -2);
}

TEST_F(HostApi, ReplacingASourceCarriesItsRulesOver) {
    const int s = p.AddScene();
    EXPECT_EQ(p.SetMetaData(s, kPacket, "clip", "first"), 1);
    EXPECT_EQ(p.SetRules(s, "clip", kOneRule, 0), 1);
    const std::u16string before = p.RulesXML(s, "clip");
    EXPECT_EQ(p.SetMetaData(s, "not xml", "clip", "second"), -3);
    EXPECT_EQ(p.RulesXML(s, "clip"), before);
    EXPECT_EQ(p.SetMetaData(s, kPacket, "clip", "third"), -3);
    EXPECT_EQ(p.RulesXML(s, "clip"), before);
}

TEST_F(HostApi, RuleExportsOnMissingKeysAndDestinations) {
    const int s = p.AddScene();
    ASSERT_EQ(p.AddDestination(s, "Headline", "T1", 0), 1);
    ASSERT_EQ(p.SetMetaData(s, kPacket, "clip", "clip"), 1);
    ASSERT_EQ(p.SetRules(s, "clip", kOneRule, 0), 1);

    OlvaneRuleArray rules{};
    ASSERT_EQ(p.GetRules(s, "clip", &rules), 1);
    ASSERT_EQ(rules.size, 1);
    // ParseRules on a missing key or a destination leaves the array as it was...
    EXPECT_EQ(p.ParseRules(s, "nothing", &rules), -2);
    EXPECT_EQ(p.ParseRules(s, "T1", &rules), -3);
    EXPECT_EQ(rules.size, 1);
    // ...GetRules empties it first.
    EXPECT_EQ(p.GetRules(s, "T1", &rules), -3);
    EXPECT_EQ(rules.data, nullptr);
    EXPECT_EQ(p.GetRules(s, "nothing", &rules), -2);

    OlvaneNamespace* tree = nullptr;
    EXPECT_EQ(p.GetAllNamespaces(s, "nothing", &tree), -3);
    EXPECT_EQ(p.FreeNamespace(&tree), 1);
    EXPECT_EQ(p.GetAllNamespaces(s, "T1", &tree), -4);
    EXPECT_EQ(p.FreeNamespace(&tree), 1);

    // SetRulesXML frees the host's string once the scene is found, even for -2 (a leak would show
    // under the sanitizers).
    EXPECT_EQ(p.SetRules(s, "T1", kOneRule, 0), -2);
    EXPECT_EQ(p.SetRules(s, "nothing", kOneRule, 1), -2);
}

TEST_F(HostApi, RecordsOutliveTheirSceneAndSource) {
    const int s = p.AddScene();
    ASSERT_EQ(p.SetMetaData(s, kPacket, "clip", "clip"), 1);
    ASSERT_EQ(p.SetRules(s, "clip", kOneRule, 0), 1);
    OlvaneRuleArray stored{};
    OlvaneRuleArray evaluated{};
    OlvaneNamespace* tree = nullptr;
    ASSERT_EQ(p.GetRules(s, "clip", &stored), 1);
    ASSERT_EQ(p.ParseRules(s, "clip", &evaluated), 1);
    ASSERT_EQ(p.GetAllNamespaces(s, "clip", &tree), 1);
    ASSERT_EQ(p.DelScene(s), 1);

    ASSERT_EQ(stored.size, 1);
    OlvaneRule* rule = stored.data[0];
    EXPECT_EQ(rule->type, OLVANE_RULE_PUSH);
    EXPECT_EQ(rule->reserved, 1);
    EXPECT_EQ(rule->validation, 1);
    ASSERT_EQ(rule->args.size, 2);
    EXPECT_EQ(p.Text(rule->args.data[0]), u"http://purl.org/dc/elements/1.1/:format");
    EXPECT_EQ(p.Text(rule->args.data[1]), u"T1");
    ASSERT_EQ(evaluated.size, 1);
    EXPECT_EQ(p.Text(evaluated.data[0]->args.data[0]), u"video");
    ASSERT_EQ(tree->children.size, 1);
    EXPECT_EQ(p.Text(tree->children.data[0]->prefix), u"dc");

    EXPECT_EQ(p.FreeRules(&stored), 1);
    EXPECT_EQ(p.FreeRules(&evaluated), 1);
    EXPECT_EQ(p.FreeNamespace(&tree), 1);
}

TEST_F(HostApi, EditorWithoutADisplayReturnsAsCancelled) {
    const int s = p.AddScene();
    ASSERT_EQ(p.SetMetaData(s, kPacket, "clip", "clip"), 1);
    ASSERT_EQ(p.SetRules(s, "clip", kOneRule, 0), 1);
    const std::u16string before = p.RulesXML(s, "clip");
#if !defined(_WIN32)
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("QT_QPA_PLATFORM");
#endif
    testing::internal::CaptureStderr();
    EXPECT_EQ(p.SetRulesDialog(s, "clip"), 1);
    EXPECT_EQ(p.SetRulesDialog(s, "no source"), 1);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(err.empty());
    EXPECT_EQ(p.RulesXML(s, "clip"), before);
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
}  // namespace

// Every object the library makes comes from operator new; the plug-in's calls bind to these
// replacements, so the number of live blocks shows whether an unload gave everything back.
// (Under the sanitizers the leak checker does this job instead.)
namespace {
std::atomic<long> g_liveBlocks{0};
}  // namespace

void* operator new(size_t size) {
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    g_liveBlocks.fetch_add(1, std::memory_order_relaxed);
    return p;
}
void operator delete(void* p) noexcept {
    if (p != nullptr) {
        g_liveBlocks.fetch_sub(1, std::memory_order_relaxed);
        std::free(p);
    }
}
void operator delete(void* p, size_t) noexcept {
    operator delete(p);
}

namespace {

TEST(HostApiUnload, RepeatedLoadAndUnloadLeavesNothingBehind) {
    auto cycle = [] {
        Plugin p;
        ASSERT_EQ(p.Load(OLVANE_PLUGIN_PATH), "");
        EXPECT_EQ(p.AddScene(), 1);  // a fresh library every time
        for (int i = 0; i < 20; ++i) {
            const int s = p.AddScene();
            p.AddDestination(s, "Headline", "T1", 0);
            p.SetMetaData(s, kPacket, "clip", "clip");
            p.SetRules(s, "clip", kOneRule, 0);
        }
        p.Unload();  // scenes are left for the unload to delete
    };
    cycle();  // first load: one-time allocations of the runtime
    const long settled = g_liveBlocks.load();
    cycle();
    EXPECT_EQ(g_liveBlocks.load(), settled);
    cycle();
    EXPECT_EQ(g_liveBlocks.load(), settled);
    // On Windows the DLL carries its own operator new, which these replacements do not reach:
    // there the cycles show only that each load starts afresh.
}
#endif

}  // namespace
