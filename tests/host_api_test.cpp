// host_api_test.cpp - the plug-in loaded and unloaded as a host does, through the reference host's
// loader: an unload gives everything back. Every export's result codes, and the records a host
// holds after their scene is gone, are checked call by call by the host-misuse driver (tests/soak,
// fuzz/host_driver.cpp); what the records hold, by the cases; the editor, by dialog/ and the
// reference host's edit test. Under the sanitizers the leak checker does this test's job.
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "plugin.h"

namespace {

// Every object the library makes comes from operator new; the plug-in's calls bind to these
// replacements, so the count of live blocks shows whether an unload gave everything back.
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
        const olvane_host::PluginApi& p = plugin.Api();
        EXPECT_EQ(p.AddScene(), 1);  // a fresh library every time
        const std::u16string rules =
            u"<Pavex-MetaData-Rules><DataPush tag=\"http://purl.org/dc/elements/1.1/:format\" "
            u"to=\"T1\" val=\"true\"/></Pavex-MetaData-Rules>";
        for (int i = 0; i < 20; ++i) {
            const int s = p.AddScene();
            p.AddDestination(s, "Headline", "T1", 0);
            p.SetMetaData(
                s,
                "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
                "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
                "xmlns:dc='http://purl.org/dc/elements/1.1/' dc:format='video'/>"
                "</rdf:RDF></x:xmpmeta>",
                "clip", "clip");
            p.SetRulesXML(s, "clip",
                          p.SysAllocStringLen(rules.data(), static_cast<unsigned>(rules.size())),
                          0);
        }
        // The scenes are left for the unload to delete.
    };
    cycle();  // the first load makes the runtime's one-time allocations
    const long settled = g_liveBlocks.load();
    cycle();
    EXPECT_EQ(g_liveBlocks.load(), settled);
}

}  // namespace
#endif
