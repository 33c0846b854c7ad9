#pragma once
// Figures of a benchmark run: per-call samples summarized as median and 99th percentile, a table
// that puts each measurement next to the floor measured in the same run, and one verdict line per
// target that scripts read. Portable: no <windows.h>.
#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace pellicor::bench
{

struct Summary
{
    std::size_t count = 0;
    double median = 0;
    double p99 = 0;
};

// Nearest-rank percentiles over the samples (any unit).
Summary Summarize(std::vector<double> samples);

struct Row
{
    std::string name;
    std::string unit; // of median and p99
    Summary measured;
    std::string floorName; // empty when the row has no floor
    Summary floor;
    std::string note; // throughput, failures, allocations: whatever the row needs to be read
};

class Report
{
public:
    void Add(Row row) { m_rows.push_back(std::move(row)); }

    // How a measured value compares with its limit.
    enum class Bound
    {
        AtMost, // ok when measured <= limit
        Under,  // ok when measured < limit
    };
    void Target(std::string name, double measured, double limit, Bound bound = Bound::AtMost);

    // The table, then one "target <name> <measured> <limit> ok|over" line per target.
    void Print(std::FILE* out) const;
    bool AllOk() const;

private:
    struct Verdict
    {
        std::string name;
        double measured;
        double limit;
        bool ok;
    };
    std::vector<Row> m_rows;
    std::vector<Verdict> m_verdicts;
};

// "1.234" with three decimals, the way every figure is printed.
std::string Figure(double value);

} // namespace pellicor::bench
