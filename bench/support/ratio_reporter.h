#pragma once

// A console reporter for benchmarks quoted as ratios: the usual table, then every benchmark's
// time as a multiple of a baseline measured in the same run, so the figures stay comparable
// while the machine's load moves the absolute times.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

class RatioReporter : public benchmark::ConsoleReporter {
  public:
    // baseline: the benchmark's name as registered. cpuTime: compare CPU time, for work on the
    // calling thread alone; else wall-clock time, for work that other threads share.
    RatioReporter(const char *baseline, bool cpuTime) : baseline(baseline), cpuTime(cpuTime) {}

    // Each run's time is the mean over repetitions when they were asked for, else the one
    // measurement.
    void ReportRuns(const std::vector<Run> &runs) override {
        for (const Run &run : runs) {
            bool mean = run.run_type == Run::RT_Aggregate && run.aggregate_name == "mean";
            if (run.error_occurred || (run.run_type != Run::RT_Iteration && !mean))
                continue;
            std::string name = run.run_name.function_name;
            if (std::find(order.begin(), order.end(), name) == order.end())
                order.push_back(name);
            if (mean || !times.count(name)) {
                times[name] = cpuTime ? run.GetAdjustedCPUTime() : run.GetAdjustedRealTime();
                units[name] = benchmark::GetTimeUnitString(run.time_unit);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // heading, then one line per benchmark in the order they ran: its time and its ratio.
    void PrintRatios(const char *heading) const {
        auto base = times.find(baseline);
        if (base == times.end() || base->second <= 0.0)
            return;
        int width = 0;
        for (const std::string &name : order)
            width = std::max(width, (int)name.size());
        std::printf("\n%s\n", heading);
        for (const std::string &name : order) {
            double time = times.at(name);
            std::printf("  %-*s %9.3f %-2s  x%.2f\n", width, name.c_str(), time,
                        units.at(name).c_str(), time / base->second);
        }
    }

  private:
    std::string baseline;
    bool cpuTime;
    std::map<std::string, double> times;
    std::map<std::string, std::string> units;
    std::vector<std::string> order;
};
