// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "benchsummary.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr double medianTarget = 2.0; // whole conversion against the floor, median over files
constexpr double worstTarget = 5.0; // no single file above this

std::string milliseconds(double seconds)
{
    if (seconds < 0)
        return "-";
    char text[32];
    std::snprintf(text, sizeof text, seconds < 0.01 ? "%.2f ms" : "%.1f ms", seconds * 1000.0);
    return text;
}

std::string times(double ratio)
{
    if (ratio < 0)
        return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", ratio);
    return text;
}

struct SizeRow
{
    double floor = -1;
    double write = -1;
    double play = -1;
    double convert = -1;
    double ratio = -1;
    double worstRatio = -1;
    std::string worstFile;
    int overWorstTarget = 0;
    int converted = 0;
};

SizeRow sizeRow(const SummaryReporter &results, const SummaryInput &input, const std::string &size, bool processor)
{
    SizeRow row;
    row.floor = results.seconds("Floor/" + size, processor);
    row.write = results.seconds("Write/" + size, processor);
    std::vector<double> plays, converts, ratios;
    for (const std::string &file : input.files) {
        const double play = results.seconds("Play/" + size + "/" + file, processor);
        if (play >= 0)
            plays.push_back(play);
        const double convert = results.seconds("Convert/" + size + "/" + file, processor);
        if (convert < 0)
            continue;
        converts.push_back(convert);
        if (row.floor <= 0)
            continue;
        const double ratio = convert / row.floor;
        ratios.push_back(ratio);
        if (ratio > row.worstRatio) {
            row.worstRatio = ratio;
            row.worstFile = file;
        }
        if (ratio > worstTarget)
            ++row.overWorstTarget;
    }
    row.converted = int(converts.size());
    if (!plays.empty())
        row.play = median(plays);
    if (!converts.empty())
        row.convert = median(converts);
    if (!ratios.empty())
        row.ratio = median(ratios);
    return row;
}

void printSizeTable(const SummaryReporter &results, const SummaryInput &input, bool processor)
{
    std::printf("%s\n%-10s %10s %10s %10s %10s %14s %10s %8s  %s\n",
                processor ? "Processor time (user + system):" : "Wall clock:", "size", "floor", "write", "play",
                "convert", "convert/floor", "worst", "over 5x", "worst file");
    for (const std::string &size : input.sizes) {
        const SizeRow row = sizeRow(results, input, size, processor);
        std::printf("%-10s %10s %10s %10s %10s %14s %10s %5d/%-3d %s\n", size.c_str(), milliseconds(row.floor).c_str(),
                    milliseconds(row.write).c_str(), milliseconds(row.play).c_str(), milliseconds(row.convert).c_str(),
                    times(row.ratio).c_str(), times(row.worstRatio).c_str(), row.overWorstTarget, row.converted,
                    row.worstFile.c_str());
        if (&size == &input.sizes.back() && row.converted > 0)
            std::printf("Target at %s: median at most %.0fx the floor (%s), no file over %.0fx (%s)\n", size.c_str(),
                        medianTarget, row.ratio >= 0 && row.ratio <= medianTarget ? "met" : "MISSED", worstTarget,
                        row.overWorstTarget == 0 && row.worstRatio >= 0 ? "met" : "MISSED");
    }
}

void printPixelGrowth(const SummaryReporter &results, const SummaryInput &input)
{
    if (input.sizes.size() < 2)
        return;
    const std::string &small = input.sizes.front();
    const std::string &large = input.sizes.back();
    auto pixels = [](const std::string &size) {
        int width = 0, height = 0;
        std::sscanf(size.c_str(), "%dx%d", &width, &height);
        return double(width) * height;
    };
    std::vector<double> ratios;
    for (const std::string &file : input.files) {
        const double a = results.seconds("Play/" + small + "/" + file, true);
        const double b = results.seconds("Play/" + large + "/" + file, true);
        if (a > 0 && b > 0)
            ratios.push_back(b / a);
    }
    if (ratios.empty())
        return;
    std::printf("Play %s against %s (%.1fx the pixels): median processor time ratio %.1f, largest %.1f\n",
                large.c_str(), small.c_str(), pixels(large) / pixels(small), median(ratios),
                *std::max_element(ratios.begin(), ratios.end()));
}

void printRecordGrowth(const SummaryReporter &results, const SummaryInput &input)
{
    if (input.growthRecords.size() < 2)
        return;
    const int fewer = input.growthRecords.front();
    const int more = input.growthRecords.back();
    const double a = results.seconds("Growth/" + std::to_string(fewer), true);
    const double b = results.seconds("Growth/" + std::to_string(more), true);
    if (a <= 0 || b <= 0)
        return;
    const double factor = double(more) / fewer;
    // A strictly linear player lands on the factor itself, give or take the noise.
    const char *verdict = b / a <= factor ? "met" : b / a <= factor * 1.05 ? "linear within 5%" : "MISSED";
    std::printf("Records %d -> %d (%.0fx): play (processor time) %s -> %s, ratio %.2f (target: at most %.0f) %s\n",
                fewer, more, factor, milliseconds(a).c_str(), milliseconds(b).c_str(), b / a, factor, verdict);
}

} // namespace

void SummaryReporter::ReportRuns(const std::vector<Run> &runs)
{
    for (const Run &run : runs) {
        if (run.run_type != Run::RT_Iteration)
            continue;
        const std::string &name = run.run_name.function_name;
        if (run.error_occurred) {
            m_failed.insert(name);
        } else if (run.iterations > 0) {
            m_wall[name].push_back(run.real_accumulated_time / double(run.iterations));
            m_processor[name].push_back(run.cpu_accumulated_time / double(run.iterations));
        }
    }
    ConsoleReporter::ReportRuns(runs);
}

double SummaryReporter::seconds(const std::string &name, bool processor) const
{
    const auto &times = processor ? m_processor : m_wall;
    const auto found = times.find(name);
    return found == times.end() || found->second.empty() ? -1.0 : median(found->second);
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    const size_t middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + middle, values.end());
    if (values.size() % 2)
        return values[middle];
    const double upper = values[middle];
    return (*std::max_element(values.begin(), values.begin() + middle) + upper) / 2;
}

void printSummary(const SummaryReporter &results, const SummaryInput &input)
{
    std::vector<double> loads;
    std::vector<std::string> failed;
    for (const std::string &file : input.files) {
        const double load = results.seconds("Load/" + file);
        if (load >= 0)
            loads.push_back(load);
        if (results.failed("Load/" + file))
            failed.push_back(file);
    }

    std::printf("\n== Summary over %zu files (times: medians over the files) ==\n", input.files.size());
    std::printf("Load (bytes -> document): %s\n", loads.empty() ? "-" : milliseconds(median(loads)).c_str());
    for (const bool processor : {false, true})
        printSizeTable(results, input, processor);
    printPixelGrowth(results, input);
    printRecordGrowth(results, input);
    if (!failed.empty()) {
        std::printf("Files that did not load (%zu):", failed.size());
        for (const std::string &file : failed)
            std::printf(" %s", file.c_str());
        std::printf("\n");
    }
}
