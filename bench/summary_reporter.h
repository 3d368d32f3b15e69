// summary_reporter.h - a console reporter that also keeps each benchmark's median CPU time and
// counters, so that the run can end with the tables of ratios the targets are stated in.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace bench {

class SummaryReporter : public benchmark::ConsoleReporter {
  public:
    SummaryReporter() : benchmark::ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& reports) override;

    // The median CPU seconds per iteration of a benchmark, or a negative value when it did not
    // run (or failed).
    double Seconds(const std::string& name) const;
    // The median of a benchmark's counter over its repetitions, negative when there is none.
    double Counter(const std::string& name, const std::string& counter) const;

  private:
    // Each repetition's value, and the library's own median aggregate, by benchmark name (and
    // counter name after a '#').
    std::map<std::string, std::vector<double>> m_samples;
    std::map<std::string, double> m_medians;

    double Median(const std::string& key) const;
};

}  // namespace bench
