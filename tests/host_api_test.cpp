// host_api_test.cpp - the plug-in loaded as a host loads it, through the reference host's loader:
// the editor without a display, and an unload that gives everything back. Every export's result
// codes, and the records a host holds after their scene is gone, are checked call by call by the
// host-misuse driver (tests/soak, fuzz/host_driver.cpp); what the records hold, by the cases.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "plugin.h"

namespace {

using olvane_host::PluginApi;

const char kPacket[] =
    "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
    "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
    "<rdf:Description xmlns:dc='http://purl.org/dc/elements/1.1/' dc:format='video'/>"
    "</rdf:RDF></x:xmpmeta>";

const char16_t kOneRule[] =
    u"<Pavex-MetaData-Rules><DataPush tag=\"http://purl.org/dc/elements/1.1/:format\" "
    u"to=\"T1\" val=\"true\"/></Pavex-MetaData-Rules>";

std::u16string Take(const PluginApi& api, BSTR b) {
    std::u16string text = b == nullptr ? u"(null)" : std::u16string(b, api.SysStringLen(b));
    api.SysFreeString(b);
    return text;
}

// Hands rules text over as the host does: the library frees it, unless the scene is missing.
int SetRules(const PluginApi& api, int scene, const char* key, const char16_t* xml, int append) {
    BSTR b = api.SysAllocStringLen(xml, static_cast<unsigned>(std::u16string_view(xml).size()));
    const int result = api.SetRulesXML(scene, key, b, append);
    if (result == -1) {
        api.SysFreeString(b);
    }
    return result;
}

// Each test has the library freshly loaded, as a host process would: scene IDs start at 1.
class HostApi : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(plugin.Load(OLVANE_PLUGIN_PATH, error, true)) << error;
    }
    olvane_host::Plugin plugin;
    const PluginApi& p = plugin.Api();
};

TEST_F(HostApi, EditorWithoutADisplayReturnsAsCancelled) {
    const int s = p.AddScene();
    ASSERT_EQ(p.SetMetaData(s, kPacket, "clip", "clip"), 1);
    ASSERT_EQ(SetRules(p, s, "clip", kOneRule, 0), 1);
    const std::u16string before = Take(p, p.GetRulesXML(s, "clip"));
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        unsetenv(name);
    }
    testing::internal::CaptureStderr();
    EXPECT_EQ(p.SetRulesDialog(s, "clip"), 1);
    EXPECT_EQ(p.SetRulesDialog(s, "no source"), 1);
    EXPECT_NE(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(Take(p, p.GetRulesXML(s, "clip")), before);
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
// Every object the library makes comes from operator new; the plug-in's calls bind to these
// replacements, so the count of live blocks shows whether an unload gave everything back. (Under
// the sanitizers the leak checker does this job.)
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
    // A host keeps its toolkit loaded for good; unloading it with the plug-in would make Qt's
    // load-time allocations look like ours.
    static void* const toolkit = dlopen("libQt6Core.so.6", RTLD_NOW | RTLD_NODELETE);
    static_cast<void>(toolkit);
    auto cycle = [] {
        olvane_host::Plugin plugin;
        std::string error;
        ASSERT_TRUE(plugin.Load(OLVANE_PLUGIN_PATH, error, true)) << error;
        const PluginApi& p = plugin.Api();
        EXPECT_EQ(p.AddScene(), 1);  // a fresh library every time
        for (int i = 0; i < 20; ++i) {
            const int s = p.AddScene();
            p.AddDestination(s, "Headline", "T1", 0);
            p.SetMetaData(s, kPacket, "clip", "clip");
            SetRules(p, s, "clip", kOneRule, 0);
        }
        // The scenes are left for the unload to delete.
    };
    cycle();  // the first load makes the runtime's one-time allocations
    const long settled = g_liveBlocks.load();
    cycle();
    EXPECT_EQ(g_liveBlocks.load(), settled);
}
#endif

}  // namespace
