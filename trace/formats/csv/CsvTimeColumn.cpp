#include "trace/formats/csv/CsvTimeColumn.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "framework/core/AsciiText.h"
#include "trace/model/TimeBase.h"

namespace csv_layout {

namespace {

// Seconds per unit of a time column: the five time units, minutes, hours and days; 0 when
// the unit is none of them.
double ColumnSecondsPer(std::string_view unit) {
    const std::string normal = timebase::NormalUnit(unit);
    if (!normal.empty()) return timebase::SecondsPer(normal);
    struct Longer {
        std::string_view name;
        double seconds;
    };
    static constexpr Longer kLonger[] = {{"min", 60},  {"minute", 60}, {"minutes", 60},
                                         {"h", 3600},  {"hour", 3600}, {"hours", 3600},
                                         {"d", 86400}, {"day", 86400}, {"days", 86400}};
    for (const Longer& l : kLonger)
        if (EqualsIgnoringAsciiCase(unit, l.name)) return l.seconds;
    return 0;
}

// A value as far as the printed digits tell it: rounded to the place of their last digit.
double Printed(double v, double halfUnit) {
    if (!(halfUnit > 0)) return v;
    const double unit = 2 * halfUnit;
    return std::round(v / unit) * unit;
}

// The median of the first 65,536 steps.
double MedianStep(const std::vector<double>& times) {
    std::vector<double> sample;
    for (std::size_t i = 1; i < times.size() && sample.size() < 65536; ++i)
        sample.push_back(times[i] - times[i - 1]);
    std::nth_element(sample.begin(), sample.begin() + static_cast<long>(sample.size() / 2),
                     sample.end());
    return sample[sample.size() / 2];
}

// The mean step, without what subtracting two large times in binary adds: 1000.000 to
// 1000.002 in two steps is 1 ms, not 0.999999999976 ms.
double MeanStep(const std::vector<double>& times) {
    const std::size_t n = times.size();
    double step = (times[n - 1] - times[0]) / static_cast<double>(n - 1);
    const double doubt = 4 * std::numeric_limits<double>::epsilon() *
                         std::max(std::fabs(times[0]), std::fabs(times[n - 1])) /
                         static_cast<double>(n - 1);
    if (doubt > 0 && step > doubt) {
        const double grain = std::pow(10.0, std::floor(std::log10(doubt)));
        step = std::round(step / grain) * grain;
    }
    return step;
}

// Seconds per unit of the column's values, with what was assumed said.
double SecondsPerUnit(const Column& c, bool stamps, const std::string& label,
                      std::vector<std::string>& said) {
    double per = stamps || c.unit.empty() ? 1 : ColumnSecondsPer(c.unit);
    if (per == 0) {
        said.push_back("the time column " + label + " was taken to count seconds, as \"" + c.unit +
                       "\" is no unit of time known here");
        per = 1;
    } else if (c.unit.empty() && !stamps) {
        said.push_back("the time column " + label +
                       " was taken to count seconds, as it names no unit");
    }
    if (!c.timeByName && !stamps)
        said.push_back("column " + label + " is evenly spaced and was taken as the time");
    return per;
}

}  // namespace

TimeColumnStep StepOfTimeColumn(const Layout& layout, const CCsvBody& body,
                                std::vector<std::string>& said,
                                const std::function<void()>& checkpoint) {
    TimeColumnStep result;
    const Column& c = layout.columns[static_cast<std::size_t>(body.TimeColumn())];
    const bool stamps = body.Stamps();
    const std::string label = "\"" + c.label + "\"";
    const double per = SecondsPerUnit(c, stamps, label, said);
    // Evenly spaced as the layout judges it on the head, here over every row.
    const std::vector<double>& times = body.Times();
    const std::vector<double>& halfUnits = body.HalfUnits();
    const std::size_t n = times.size();
    // One row: a time, but no step to take from it; the column's unit stays.
    if (n == 1 && !stamps) result.seconds = per;
    if (n < 2) return result;
    constexpr std::size_t kCheckEvery = std::size_t{1} << 22;
    const double median = MedianStep(times);
    bool even = true;
    double least = times[1] - times[0], most = least;
    for (std::size_t i = 1; i < n; ++i) {
        const double d = times[i] - times[i - 1];
        least = std::min(least, d);
        most = std::max(most, d);
        even = even && EvenStep(times[i - 1], times[i], median, halfUnits[i - 1], halfUnits[i]);
        if (i % kCheckEvery == 0) checkpoint();
    }
    if (even) {
        result.seconds = MeanStep(times) * per;
        return result;
    }
    const std::string why =
        fmt::format("its steps run from {:.6g} to {:.6g} {}", Printed(least, halfUnits[0]),
                    Printed(most, halfUnits[0]), stamps || c.unit.empty() ? "s" : c.unit);
    if (stamps) {
        said.push_back("the time stamps of " + label + " are not evenly spaced (" + why +
                       "); they were left out");
    } else {
        result.shownAsCurve = true;
        said.push_back("the time column " + label + " is not evenly spaced (" + why +
                       "), so it is shown as a curve");
    }
    return result;
}

}  // namespace csv_layout
