// bench_main.cpp - olvane_bench: runs the packet and rules benchmarks, then prints the summary
// tables (medians of CPU time) in Markdown.
//
//   olvane_bench [--samples=DIR] [--generated=DIR] [Google Benchmark flags]
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/packet_benchmarks.h"
#include "bench/packet_set.h"
#include "bench/rules_benchmarks.h"
#include "bench/summary_reporter.h"

namespace {

const char* const kRulesPacket = "synth_n10000";

std::string Time(double seconds) {
    char text[32];
    if (seconds < 0) {
        return "-";
    }
    if (seconds < 1e-3) {
        std::snprintf(text, sizeof text, "%.1f µs", seconds * 1e6);
    } else if (seconds < 1) {
        std::snprintf(text, sizeof text, "%.2f ms", seconds * 1e3);
    } else {
        std::snprintf(text, sizeof text, "%.3f s", seconds);
    }
    return text;
}

std::string Ratio(double a, double b) {
    char text[32];
    if (a < 0 || b <= 0) {
        return "-";
    }
    std::snprintf(text, sizeof text, "%.2f", a / b);
    return text;
}

const char* Verdict(bool met) {
    return met ? "met" : "**not met**";
}

void PrintPacketTable(const bench::SummaryReporter& r, const std::vector<bench::Packet>& packets) {
    std::printf("\n### Packets (median CPU time per call)\n\n");
    std::printf(
        "| packet | bytes | values | expat floor | exempi parse+iterate | SetMetaData | "
        "SetMetaData + GetAllNamespaces + FreeNamespace | SetMetaData / floor | "
        "SetMetaData / floor, in turn | exempi / (SetMetaData + GetAllNamespaces) |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const bench::Packet& p : packets) {
        const double expat = r.Seconds(std::string(bench::kExpat) + "/" + p.name);
        const double exempi = r.Seconds(std::string(bench::kExempi) + "/" + p.name);
        const double ours = r.Seconds(std::string(bench::kSetMetaData) + "/" + p.name);
        const double all = r.Seconds(std::string(bench::kSetMetaDataAll) + "/" + p.name);
        const double paired = r.Counter(std::string(bench::kPaired) + "/" + p.name, bench::kRatio);
        std::printf("| %s | %zu | %d | %s | %s | %s | %s | %s | %s | %s |\n", p.name.c_str(),
                    p.bytes.size(), bench::CountValues(p), Time(expat).c_str(),
                    Time(exempi).c_str(), Time(ours).c_str(), Time(all).c_str(),
                    Ratio(ours, expat).c_str(), Ratio(paired, 1).c_str(),
                    Ratio(exempi, all).c_str());
    }
}

void PrintTargets(const bench::SummaryReporter& r) {
    auto seconds = [&r](const char* kind, int n) {
        return r.Seconds(std::string(kind) + "/synth_n" + std::to_string(n));
    };
    std::printf("\n### Targets\n\n| target | measured | verdict |\n|---|---|---|\n");
    auto paired = [&r](int n) {
        return r.Counter(std::string(bench::kPaired) + "/synth_n" + std::to_string(n),
                         bench::kRatio);
    };
    for (int n : {1000, 10000, 100000}) {
        const double ours = seconds(bench::kSetMetaData, n);
        const double floor = seconds(bench::kExpat, n);
        if (paired(n) > 0 && ours > 0 && floor > 0) {
            std::printf(
                "| SetMetaData ≤ 1.5 × expat floor, %d properties | %.2f × in turn (%.2f × "
                "apart) | %s |\n",
                n, paired(n), ours / floor, Verdict(paired(n) <= 1.5));
        }
        const double exempi = seconds(bench::kExempi, n);
        const double all = seconds(bench::kSetMetaDataAll, n);
        const double needed = n == 1000 ? 1 : 5;
        if (exempi > 0 && all > 0) {
            std::printf(
                "| exempi parse+iterate ≥ %.0f × SetMetaData + GetAllNamespaces, %d properties | "
                "%.2f × | %s |\n",
                needed, n, exempi / all, Verdict(exempi / all >= needed));
        }
    }
    // Our growth over the floor's is the ratio at 100,000 over the ratio at 1,000.
    if (paired(100000) > 0 && paired(1000) > 0) {
        const double growth = paired(100000) / paired(1000);
        std::printf(
            "| growth 1,000 → 100,000 properties ≤ about 1.3 × the floor's | %.2f × (%.2f × the "
            "floor in turn at 1,000, %.2f × at 100,000) | %s |\n",
            growth, paired(1000), paired(100000), Verdict(growth <= 1.3));
    }
    const double linear = seconds(bench::kSetMetaData, 10000) / seconds(bench::kSetMetaData, 1000);
    if (seconds(bench::kSetMetaData, 10000) > 0) {
        std::printf("| load 10,000 properties ≤ about 12 × 1,000 properties | %.1f × | %s |\n",
                    linear, Verdict(linear <= 12));
    }
    for (int n : bench::kXmlRuleCounts) {
        const std::string suffix = "/" + std::to_string(n);
        const double set = r.Seconds(bench::kSetRulesXML + suffix);
        const double expat = r.Seconds(bench::kRulesExpat + suffix);
        if (set > 0 && expat > 0) {
            std::printf(
                "| SetRulesXML ≤ 3 × expat alone on the same text, %d rules | %.2f × | %s |\n", n,
                set / expat, Verdict(set / expat <= 3));
        }
    }
    const double parse = r.Seconds(std::string(bench::kParseRules) + "/1000");
    const double get = r.Seconds(std::string(bench::kGetRules) + "/1000");
    if (parse > 0 && get > 0) {
        std::printf("| ParseRules ≤ 3 × GetRules, 1,000 rules over the %s source | %.2f × | %s |\n",
                    kRulesPacket, parse / get, Verdict(parse / get <= 3));
    }
}

void PrintRulesTable(const bench::SummaryReporter& r) {
    std::printf("\n### Rules over the %s source (median CPU time per call)\n\n", kRulesPacket);
    std::printf(
        "| rules | GetRules + FreeRules | ParseRules + FreeRules | ParseRules / GetRules |\n");
    std::printf("|---:|---:|---:|---:|\n");
    for (int n : bench::kRuleCounts) {
        const double get = r.Seconds(std::string(bench::kGetRules) + "/" + std::to_string(n));
        const double parse = r.Seconds(std::string(bench::kParseRules) + "/" + std::to_string(n));
        std::printf("| %d | %s | %s | %s |\n", n, Time(get).c_str(), Time(parse).c_str(),
                    Ratio(parse, get).c_str());
    }
    std::printf(
        "\n| rules | GetRulesXML + SysFreeString | the same text copied into a new BSTR | "
        "GetRulesXML / copy | SetRulesXML (replace) | expat alone on the same text (UTF-8) | "
        "SetRulesXML / expat |\n|---:|---:|---:|---:|---:|---:|---:|\n");
    for (int n : bench::kXmlRuleCounts) {
        const std::string suffix = "/" + std::to_string(n);
        const double get = r.Seconds(bench::kGetRulesXML + suffix);
        const double copy = r.Seconds(bench::kRulesCopy + suffix);
        const double set = r.Seconds(bench::kSetRulesXML + suffix);
        const double expat = r.Seconds(bench::kRulesExpat + suffix);
        std::printf("| %d | %s | %s | %s | %s | %s | %s |\n", n, Time(get).c_str(),
                    Time(copy).c_str(), Ratio(get, copy).c_str(), Time(set).c_str(),
                    Time(expat).c_str(), Ratio(set, expat).c_str());
    }
}

// Takes --name=VALUE out of the arguments.
bool TakeOption(int& argc, char** argv, const char* name, std::string& value) {
    const size_t n = std::strlen(name);
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], name, n) == 0 && argv[i][n] == '=') {
            value = argv[i] + n + 1;
            for (int j = i; j + 1 < argc; ++j) {
                argv[j] = argv[j + 1];
            }
            --argc;
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    std::string samples = OLVANE_SAMPLES_DIR;
    std::string generated = OLVANE_BENCH_PACKETS_DIR;
    TakeOption(argc, argv, "--samples", samples);
    TakeOption(argc, argv, "--generated", generated);
    benchmark::SetDefaultTimeUnit(benchmark::kMicrosecond);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }

    const std::vector<bench::Packet> packets = bench::LoadPackets(samples, generated);
    if (packets.empty()) {
        std::fprintf(stderr, "no packets in %s or %s\n", samples.c_str(), generated.c_str());
        return 1;
    }
    bench::RegisterPacketBenchmarks(packets);
    for (const bench::Packet& p : packets) {
        if (p.name == kRulesPacket) {
            bench::RegisterRulesBenchmarks(p);
        }
    }
    if (!bench::HaveExempi()) {
        std::printf("exempi was not found when this was built: the peer is not measured\n");
    }

    bench::SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    PrintPacketTable(reporter, packets);
    PrintTargets(reporter);
    PrintRulesTable(reporter);
    return 0;
}
