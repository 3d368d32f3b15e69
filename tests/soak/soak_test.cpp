// soak_test.cpp - randomised calls over many scenes (the host-misuse driver with a seeded generator
// and the sample packets), then RemoveAllScenes: every result as the model predicts, and nothing
// left alive. OLVANE_SOAK_CALLS and OLVANE_SOAK_SEED choose the run: the default test run makes
// 200,000 calls (fewer let a rare case, such as GetRules on a key without a source while the
// host holds records, go unvisited on some seeds), the soak (ctest --preset soak) 1,000,000.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "fuzz/host_driver.h"
#include "tests/support/test_support.h"

namespace {

long FromEnvironment(const char* name, long fallback) {
    const char* value = std::getenv(name);
    return value == nullptr ? fallback : std::strtol(value, nullptr, 10);
}

TEST(Soak, RandomisedCallsOverManyScenesAsTheModelPredicts) {
    const long calls = FromEnvironment("OLVANE_SOAK_CALLS", 200000);
    const long seed = FromEnvironment("OLVANE_SOAK_SEED", 20261206);
    std::vector<std::string> samples;
    for (const char* name :
         {"real_01_basic", "real_02_photo", "real_03_media", "real_04_history", "real_05_full"}) {
        samples.push_back(
            olvane_test::ReadFile(olvane_test::DataPath(std::string("xmp/") + name + ".xmp")));
        ASSERT_FALSE(samples.back().empty()) << name;
    }
    const auto start = std::chrono::steady_clock::now();
    olvane_fuzz::Choices choices(static_cast<uint64_t>(seed));
    olvane_fuzz::HostDriver driver(choices, samples, 64);
    for (long i = 0; i < calls; ++i) {
        ASSERT_TRUE(driver.Step()) << driver.Failure() << " (seed " << seed << ")";
    }
    ASSERT_TRUE(driver.Finish()) << driver.Failure() << " (seed " << seed << ")";
    std::printf("soak: %zu calls, seed %ld, %.1f s\n", driver.Calls(), seed,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
}

}  // namespace
