// zev_object_benchmarks.cpp - the cost of zev objects on their own: building and freeing element
// trees shaped like a parsed document, on one thread and on several at once (each object enters
// and leaves the object registry, which the threads share).
#include <benchmark/benchmark.h>

#include "zev/element.h"

namespace {

// A root with `rules` children of three leaves each: the shape of a rules document.
void BuildAndFreeTree(int rules) {
    auto* root = new zev::CElement(u"root");
    for (int r = 0; r < rules; ++r) {
        auto* rule = new zev::CElement(u"rule");
        root->AppendChild(rule);
        for (int a = 0; a < 3; ++a) {
            auto* leaf = new zev::CElement(u"arg");
            rule->AppendChild(leaf);
            leaf->Release();
        }
        rule->Release();
    }
    root->Release();
}

void ZevElementTree(benchmark::State& state) {
    const int rules = static_cast<int>(state.range(0));
    for (auto _ : state) {
        BuildAndFreeTree(rules);
    }
    state.SetItemsProcessed(state.iterations() * (1 + 4 * static_cast<int64_t>(rules)));
}

}  // namespace

BENCHMARK(ZevElementTree)->Arg(1000)->Threads(1)->Threads(2)->UseRealTime();

BENCHMARK_MAIN();
