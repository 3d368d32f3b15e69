// summary_reporter.cpp - SummaryReporter.
#include "bench/summary_reporter.h"

#include <algorithm>

namespace bench {

void SummaryReporter::ReportRuns(const std::vector<Run>& reports) {
    for (const Run& run : reports) {
        if (run.error_occurred) {
            continue;
        }
        const std::string name = run.run_name.str();
        const double seconds =
            run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        if (run.run_type == Run::RT_Aggregate) {
            if (run.aggregate_name == "median") {
                m_medians[name] = seconds;
            }
        } else {
            m_samples[name].push_back(seconds);
        }
    }
    ConsoleReporter::ReportRuns(reports);
}

double SummaryReporter::Seconds(const std::string& name) const {
    if (const auto it = m_medians.find(name); it != m_medians.end()) {
        return it->second;
    }
    const auto it = m_samples.find(name);
    if (it == m_samples.end() || it->second.empty()) {
        return -1;
    }
    std::vector<double> v = it->second;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace bench
