// summary_reporter.cpp - SummaryReporter.
#include "bench/summary_reporter.h"

#include <algorithm>
#include <string>

namespace bench {
namespace {

// A counter's values are kept under its benchmark's name and its own.
std::string CounterKey(const std::string& name, const std::string& counter) {
    std::string key = name;
    key.append("#").append(counter);
    return key;
}

}  // namespace

void SummaryReporter::ReportRuns(const std::vector<Run>& reports) {
    for (const Run& run : reports) {
        if (run.error_occurred) {
            continue;
        }
        // A benchmark given its own repetitions is named with them; it is looked up without.
        std::string name = run.run_name.str();
        if (const size_t at = name.find("/repeats:"); at != std::string::npos) {
            name.erase(at, name.find('/', at + 1) - at);
        }
        const double seconds =
            run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
        if (run.run_type == Run::RT_Aggregate && !median) {
            continue;
        }
        const auto keep = [&](const std::string& key, double value) {
            if (median) {
                m_medians[key] = value;
            } else {
                m_samples[key].push_back(value);
            }
        };
        keep(name, seconds);
        for (const auto& [counter, value] : run.counters) {
            keep(CounterKey(name, counter), value.value);
        }
    }
    ConsoleReporter::ReportRuns(reports);
}

double SummaryReporter::Seconds(const std::string& name) const {
    return Median(name);
}

double SummaryReporter::Counter(const std::string& name, const std::string& counter) const {
    return Median(CounterKey(name, counter));
}

double SummaryReporter::Median(const std::string& key) const {
    if (const auto it = m_medians.find(key); it != m_medians.end()) {
        return it->second;
    }
    const auto it = m_samples.find(key);
    if (it == m_samples.end() || it->second.empty()) {
        return -1;
    }
    std::vector<double> v = it->second;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace bench
