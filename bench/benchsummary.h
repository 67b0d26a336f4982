// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Collects the seconds per iteration of every benchmark as the run reports them, passes
// the run on to the console, and afterwards prints what the numbers mean: each conversion
// as a ratio to the floor of its size (allocate, fill and write the same bitmap), medians
// over the corpus, the worst file, and the growth ratios.
//
// Benchmark names are "Kind/size/file" ("Convert/4000x3000/eye.wmf"), "Kind/size" for the
// floor and the write alone, "Load/file", and "Growth/records".

#include <benchmark/benchmark.h>

#include <map>
#include <set>
#include <string>
#include <vector>

class SummaryReporter : public benchmark::ConsoleReporter
{
public:
    explicit SummaryReporter(OutputOptions options) : ConsoleReporter(options) { }

    void ReportRuns(const std::vector<Run> &runs) override;

    // Median seconds per iteration of `name`, wall clock or processor time (user and
    // system), or a negative number when it never ran. On a shared machine the processor
    // time is the steadier of the two.
    double seconds(const std::string &name, bool processor = false) const;
    bool failed(const std::string &name) const { return m_failed.count(name) > 0; }

private:
    std::map<std::string, std::vector<double>> m_wall;
    std::map<std::string, std::vector<double>> m_processor;
    std::set<std::string> m_failed;
};

struct SummaryInput
{
    std::vector<std::string> files; // file names as used in the benchmark names
    std::vector<std::string> sizes; // "1024x768", ...
    std::vector<int> growthRecords; // record counts of the generated files, smallest first
};

// Prints the summary to standard output.
void printSummary(const SummaryReporter &results, const SummaryInput &input);

// The median of `values` (the mean of the middle two for an even count); 0 when empty.
double median(std::vector<double> values);
