// packet_benchmarks.cpp - the packet benchmarks.
#include "bench/packet_benchmarks.h"

#include <benchmark/benchmark.h>
#include <expat.h>

#include <cstddef>
#include <ctime>

#include "olvane/olvane.h"

#ifdef OLVANE_HAVE_EXEMPI
#include <exempi/xmp.h>
#endif

namespace bench {
namespace {

void XMLCALL NoStart(void*, const XML_Char*, const XML_Char**) {}
void XMLCALL NoEnd(void*, const XML_Char*) {}
void XMLCALL NoText(void*, const XML_Char*, int) {}

// The floor: expat over the UTF-8 bytes with namespace processing on and handlers that do nothing.
bool ExpatParse(const Packet& packet) {
    XML_Parser parser = XML_ParserCreateNS(nullptr, '\x01');
    XML_SetElementHandler(parser, NoStart, NoEnd);
    XML_SetCharacterDataHandler(parser, NoText);
    const XML_Status status =
        XML_Parse(parser, packet.bytes.data(), static_cast<int>(packet.bytes.size()), XML_TRUE);
    XML_ParserFree(parser);
    return status == XML_STATUS_OK;
}

void ExpatFloor(benchmark::State& state, const Packet* packet) {
    for (auto _ : state) {
        if (!ExpatParse(*packet)) {
            state.SkipWithError("expat refused the packet");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * packet->bytes.size()));
}

#ifdef OLVANE_HAVE_EXEMPI
// The size above which the peer runs only a few times.
constexpr size_t kLargePacket = size_t{1} << 20;

// The peer: exempi parses the packet and every node of its property tree is visited.
void ExempiParseIterate(benchmark::State& state, const Packet* packet) {
    XmpStringPtr schema = xmp_string_new();
    XmpStringPtr name = xmp_string_new();
    XmpStringPtr value = xmp_string_new();
    int64_t visited = 0;
    for (auto _ : state) {
        XmpPtr xmp = xmp_new(packet->bytes.data(), packet->bytes.size());
        if (xmp == nullptr) {
            state.SkipWithError("exempi refused the packet");
            break;
        }
        XmpIteratorPtr it = xmp_iterator_new(xmp, nullptr, nullptr, XMP_ITER_PROPERTIES);
        uint32_t options = 0;
        while (xmp_iterator_next(it, schema, name, value, &options)) {
            ++visited;
        }
        xmp_iterator_free(it);
        xmp_free(xmp);
    }
    xmp_string_free(value);
    xmp_string_free(name);
    xmp_string_free(schema);
    state.counters["nodes"] =
        benchmark::Counter(static_cast<double>(visited), benchmark::Counter::kAvgIterations);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * packet->bytes.size()));
}
#endif

// Ours, as a host uses it when a clip changes: the packet replaces the source under the same key.
// With all set, every value is then handed out and freed as well.
void SetMetaDataBench(benchmark::State& state, const Packet* packet, bool all) {
    const int scene = AddScene();
    const char* text = packet->bytes.c_str();
    SetMetaData(scene, text, "clip", "Clip");  // so that every measured call replaces a source
    for (auto _ : state) {
        const int result = SetMetaData(scene, text, "clip", "Clip");
        if (all) {
            OlvaneNamespace* tree = nullptr;
            GetAllNamespaces(scene, "clip", &tree);
            benchmark::DoNotOptimize(tree->children.size);
            FreeNamespace(&tree);
        }
        if (result != -3) {
            state.SkipWithError("SetMetaData did not replace the source");
            break;
        }
    }
    DelScene(scene);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * packet->bytes.size()));
}

double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// SetMetaData and the floor a call each in turn, each timed on the thread's CPU clock; the ratio
// of the two sums is the counter "ratio". The load of a shared machine changes from second to
// second, and two benchmarks run apart measure that change along with the code. An iteration
// takes both orders: a call runs faster after the other has freed memory it can reuse, and on
// the largest packet a repetition is a single iteration.
void PairedBench(benchmark::State& state, const Packet* packet) {
    const int scene = AddScene();
    const char* text = packet->bytes.c_str();
    SetMetaData(scene, text, "clip", "Clip");
    double ours = 0;
    double floor = 0;
    bool ok = true;
    const auto timed = [&](bool isOurs) {
        const double start = ThreadSeconds();
        ok = (isOurs ? SetMetaData(scene, text, "clip", "Clip") == -3 : ExpatParse(*packet)) && ok;
        (isOurs ? ours : floor) += ThreadSeconds() - start;
    };
    for (auto _ : state) {
        timed(true);
        timed(false);
        timed(false);
        timed(true);
        if (!ok) {
            state.SkipWithError("a call of the pair failed");
            break;
        }
    }
    DelScene(scene);
    state.counters[kRatio] = floor > 0 ? ours / floor : 0;
}

}  // namespace

bool HaveExempi() {
#ifdef OLVANE_HAVE_EXEMPI
    return true;
#else
    return false;
#endif
}

int CountValues(const Packet& packet) {
    const int scene = AddScene();
    SetMetaData(scene, packet.bytes.c_str(), "clip", "Clip");
    OlvaneNamespace* tree = nullptr;
    GetAllNamespaces(scene, "clip", &tree);
    intptr_t values = 0;
    for (intptr_t i = 0; i < tree->children.size; ++i) {
        values += tree->children.data[i]->values.count;
    }
    FreeNamespace(&tree);
    DelScene(scene);
    return static_cast<int>(values);
}

void RegisterPacketBenchmarks(const std::vector<Packet>& packets) {
#ifdef OLVANE_HAVE_EXEMPI
    xmp_init();
#endif
    for (const Packet& p : packets) {
        const std::string suffix = "/" + p.name;
        benchmark::RegisterBenchmark((kExpat + suffix).c_str(), ExpatFloor, &p);
#ifdef OLVANE_HAVE_EXEMPI
        benchmark::internal::Benchmark* exempi =
            benchmark::RegisterBenchmark((kExempi + suffix).c_str(), ExempiParseIterate, &p);
        // The peer takes about 90 s a call on the largest packet, and its target is met by far:
        // three calls are enough, whatever the run's repetitions.
        if (p.bytes.size() > kLargePacket) {
            exempi->Repetitions(3);
        }
#endif
        benchmark::RegisterBenchmark((kSetMetaData + suffix).c_str(), SetMetaDataBench, &p, false);
        benchmark::RegisterBenchmark((kSetMetaDataAll + suffix).c_str(), SetMetaDataBench, &p,
                                     true);
        benchmark::RegisterBenchmark((kPaired + suffix).c_str(), PairedBench, &p);
    }
}

}  // namespace bench
