#include "tools/bench/BenchStats.h"

#include <algorithm>
#include <cmath>

namespace pellicor::bench
{

namespace
{

double NearestRank(const std::vector<double>& sorted, double fraction)
{
    const auto rank = static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(sorted.size())));
    return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
}

std::string Cell(const std::string& text, std::size_t width)
{
    // At least one space, so that an overlong text never runs into the next column.
    std::string cell = text;
    cell.append(cell.size() < width ? width - cell.size() : 1, ' ');
    return cell;
}

} // namespace

Summary Summarize(std::vector<double> samples)
{
    Summary summary;
    summary.count = samples.size();
    if (samples.empty())
        return summary;
    std::sort(samples.begin(), samples.end());
    summary.median = NearestRank(samples, 0.5);
    summary.p99 = NearestRank(samples, 0.99);
    return summary;
}

std::string Figure(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

void Report::Target(std::string name, double measured, double limit, Bound bound)
{
    const bool ok = bound == Bound::AtMost ? measured <= limit : measured < limit;
    m_verdicts.push_back({std::move(name), measured, limit, ok});
}

void Report::Print(std::FILE* out) const
{
    constexpr std::size_t kName = 48, kNumber = 11;
    std::fprintf(out, "%s%s%s%s%s%s%s%s\n", Cell("measurement", kName).c_str(), Cell("unit", 6).c_str(),
                 Cell("calls", 8).c_str(), Cell("median", kNumber).c_str(), Cell("p99", kNumber).c_str(),
                 Cell("floor med", kNumber).c_str(), Cell("floor p99", kNumber).c_str(),
                 "x floor (med / p99)");
    for (const Row& row : m_rows)
    {
        std::string floorMedian = "-", floorP99 = "-", ratio = "-";
        if (!row.floorName.empty() && row.floor.count != 0)
        {
            floorMedian = Figure(row.floor.median);
            floorP99 = Figure(row.floor.p99);
            if (row.floor.median > 0 && row.floor.p99 > 0)
                ratio = Figure(row.measured.median / row.floor.median) + " / " +
                        Figure(row.measured.p99 / row.floor.p99);
        }
        std::fprintf(out, "%s%s%s%s%s%s%s%s\n", Cell(row.name, kName).c_str(), Cell(row.unit, 6).c_str(),
                     Cell(std::to_string(row.measured.count), 8).c_str(),
                     Cell(Figure(row.measured.median), kNumber).c_str(),
                     Cell(Figure(row.measured.p99), kNumber).c_str(), Cell(floorMedian, kNumber).c_str(),
                     Cell(floorP99, kNumber).c_str(), ratio.c_str());
        if (!row.floorName.empty())
            std::fprintf(out, "    floor: %s\n", row.floorName.c_str());
        if (!row.note.empty())
            std::fprintf(out, "    %s\n", row.note.c_str());
    }
    std::fprintf(out, "\n");
    for (const Verdict& verdict : m_verdicts)
        std::fprintf(out, "target %s %s %s %s\n", verdict.name.c_str(), Figure(verdict.measured).c_str(),
                     Figure(verdict.limit).c_str(), verdict.ok ? "ok" : "over");
    std::fflush(out);
}

bool Report::AllOk() const
{
    return std::all_of(m_verdicts.begin(), m_verdicts.end(), [](const Verdict& v) { return v.ok; });
}

} // namespace pellicor::bench
