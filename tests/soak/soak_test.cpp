// soak_test.cpp - 200,000 randomised calls over many scenes (the host-misuse driver with a seeded
// generator and the sample packets), then RemoveAllScenes: every result as the model predicts, and
// nothing left alive. Labelled soak: not in the default run (ctest --preset soak).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz/host_driver.h"
#include "host/host_test_peer.h"
#include "zev/registry.h"

namespace {

long FromEnvironment(const char* name, long fallback) {
    const char* value = std::getenv(name);
    return value == nullptr ? fallback : std::strtol(value, nullptr, 10);
}

std::vector<std::string> SamplePackets() {
    std::vector<std::string> packets;
    for (const char* name : {"real_01_basic.xmp", "real_02_photo.xmp", "real_03_media.xmp",
                             "real_04_history.xmp", "real_05_full.xmp", "synth_n100.xmp"}) {
        std::ifstream in(std::filesystem::path(OLVANE_SAMPLES_DIR) / name, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        if (!text.str().empty()) {
            packets.push_back(text.str());
        }
    }
    return packets;
}

TEST(Soak, RandomisedCallsOverManyScenes) {
    const long calls = FromEnvironment("OLVANE_SOAK_CALLS", 200000);
    const long seed = FromEnvironment("OLVANE_SOAK_SEED", 20261206);
    const std::vector<std::string> samples = SamplePackets();
    EXPECT_FALSE(samples.empty()) << "no sample packets in " << OLVANE_SAMPLES_DIR;

    const auto start = std::chrono::steady_clock::now();
    olvane_fuzz::RandomChoices choices(static_cast<uint64_t>(seed));
    olvane_fuzz::HostDriver driver(choices, samples, 64);
    size_t peakScenes = 0;
    for (long i = 0; i < calls; ++i) {
        ASSERT_TRUE(driver.Step()) << driver.Failure() << " (seed " << seed << ")";
        peakScenes = std::max(peakScenes, static_cast<size_t>(HostTestPeer::SceneCount()));
    }
    ASSERT_TRUE(driver.Finish()) << driver.Failure() << " (seed " << seed << ")";
    EXPECT_EQ(HostTestPeer::SceneCount(), 0);
    EXPECT_EQ(zev::GetRegisteredObjectCount(), 0u);

    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("soak: %zu calls, seed %ld, up to %zu scenes at once, %.1f s\n", driver.Calls(),
                seed, peakScenes, seconds);
    EXPECT_EQ(driver.Calls(), static_cast<size_t>(calls));
}

}  // namespace
