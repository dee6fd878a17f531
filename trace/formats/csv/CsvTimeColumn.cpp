#include "trace/formats/csv/CsvTimeColumn.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "framework/core/AsciiText.h"
#include "framework/core/NumberText.h"
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

// Two steps as far as the printed digits tell them, in the fewest significant digits (6 or
// more) that tell them apart, in a unit that shows them ("from 2 to 7 ms", never "from 0 to
// 0 s").
std::string StepsText(double least, double most, double halfUnit, double secondsPer) {
    least = Printed(least, halfUnit);
    most = Printed(most, halfUnit);
    const timebase::Step unit =
        timebase::StepOf(std::max(std::fabs(least), std::fabs(most)) * secondsPer);
    const double scale = secondsPer / timebase::SecondsPer(unit.unit);
    int digits = 6;
    while (digits < 17 && fmt::format("{:.{}g}", least * scale, digits) ==
                              fmt::format("{:.{}g}", most * scale, digits))
        ++digits;
    return fmt::format("from {:.{}g} to {:.{}g} {}", least * scale, digits, most * scale, digits,
                       unit.unit);
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
                                std::vector<std::string>& said) {
    TimeColumnStep result;
    const Column& c = layout.columns[static_cast<std::size_t>(body.TimeColumn())];
    const bool stamps = body.Stamps();
    const std::string label = layout.timeName.empty() ? "\"" + c.label + "\"" : layout.timeName;
    const double per = SecondsPerUnit(c, stamps, label, said);
    const CTimeTrack& times = body.Times();
    // One row: a time, but no step to take from it; the column's unit stays.
    if (times.Count() == 1 && !stamps && !times.HasGaps()) result.seconds = per;
    if (times.Count() + (times.HasGaps() ? 1 : 0) < 2) return result;
    if (times.Even()) {
        result.seconds = times.MeanStep() * per;
        result.origin = times.First() * per;
        const timebase::Step step = timebase::StepOf(result.seconds);
        result.source = (stamps ? "the time stamps of " : "the time column ") + label;
        said.push_back(fmt::format("the step of {} {} comes from {}",
                                   timebase::ReadableText(step.value), step.unit, result.source));
        return result;
    }
    const std::string why = times.HasGaps()
                                ? std::string("some of its cells hold no time")
                                : "its steps run " + StepsText(times.LeastStep(), times.MostStep(),
                                                               times.FinestHalfUnit(), per);
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

double OriginOf(const Layout& layout, const CCsvBody& body, const TimeColumnStep& step,
                const std::string& stepUnit) {
    const CTimeTrack& times = body.Times();
    if (body.TimeColumn() < 0 || body.Stamps() || step.shownAsCurve || times.Count() == 0 ||
        times.HasGaps())
        return 0;
    const Column& c = layout.columns[static_cast<std::size_t>(body.TimeColumn())];
    // In the column's own unit the first time is as printed; another unit takes a product,
    // whose last bits go (-0.0025 s is -2500 us, not -2500.0000000000005).
    if (timebase::NormalUnit(c.unit) == stepUnit || (c.unit.empty() && stepUnit == "s"))
        return times.First();
    double per = ColumnSecondsPer(c.unit);
    if (per == 0) per = 1;
    const double inUnit = times.First() * per / timebase::SecondsPer(stepUnit);
    return numtext::ParseReal(fmt::format("{:.15g}", inUnit));
}

std::string StartOf(const Layout& layout, const CCsvBody& body) {
    const CTimeTrack& times = body.Times();
    if (!body.Stamps() || times.Count() == 0) return {};
    const TimePart part = layout.timeSources.front().part;
    if (part == TimePart::epoch || part == TimePart::epochMs)
        return UtcText(times.First(), times.FirstHalfUnit());
    return body.Dated() ? CalendarText(times.First(), times.FirstHalfUnit())
                        : ClockText(times.First(), times.FirstHalfUnit());
}

}  // namespace csv_layout
