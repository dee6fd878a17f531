#include "trace/model/TimeBase.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

#include "framework/core/AsciiText.h"
#include "framework/core/NumberText.h"

namespace timebase {

namespace {

// The fewest decimals d (up to 12) for which values `spacing` apart, each rounded to d
// decimals, never read the same: 10^-d at most half the spacing.
int DecimalsFor(double spacing) {
    spacing = std::fabs(spacing);
    int d = 0;
    while (d < 12 && !(std::pow(10.0, -d) <= spacing / 2)) ++d;
    return d;
}

std::string Clock(double seconds, int decimals) {
    // Whole seconds keep the integer rule of old, truncating toward zero.
    if (decimals == 0 && seconds == std::trunc(seconds) && std::fabs(seconds) < 9e15) {
        // Before the trigger a time is negative: the sign goes in front of the whole clock.
        const auto v = static_cast<std::int64_t>(std::fabs(seconds));
        const std::string sign = seconds < 0 ? "-" : "";
        const std::int64_t h = v / 3600;
        const std::int64_t r = v - 3600 * h;
        const std::int64_t m = r / 60;
        const std::int64_t s = r - 60 * m;
        return h != 0 ? fmt::format("{}{}:{:02}:{:02}", sign, h, m, s)
                      : fmt::format("{}{:02}:{:02}", sign, m, s);
    }
    const double scale = std::pow(10.0, decimals);
    const double units = std::round(std::fabs(seconds) * scale);
    if (!(units < 9e18)) return fmt::format("{:.{}f}s", seconds, decimals);
    const auto u = static_cast<std::int64_t>(units);
    const auto unit = static_cast<std::int64_t>(scale);
    const std::int64_t whole = u / unit, fraction = u % unit;
    const std::int64_t h = whole / 3600, m = whole / 60 % 60, s = whole % 60;
    const std::string sign = seconds < 0 && u != 0 ? "-" : "";
    const std::string tail =
        decimals > 0 ? fmt::format(".{:0{}}", fraction, decimals) : std::string();
    return h != 0 ? fmt::format("{}{}:{:02}:{:02}{}", sign, h, m, s, tail)
                  : fmt::format("{}{:02}:{:02}{}", sign, m, s, tail);
}

}  // namespace

double SecondsPer(std::string_view unit) {
    if (unit == "ps") return 1e-12;
    if (unit == "ns") return 1e-9;
    if (unit == "us") return 1e-6;
    if (unit == "ms") return 1e-3;
    return 1;
}

double SecondsPerWord(std::string_view word) {
    const std::string unit = NormalUnit(word);
    return unit.empty() ? 0 : SecondsPer(unit);
}

std::string NormalUnit(std::string_view word) {
    while (!word.empty() && (word.front() == '[' || word.front() == '(' || word.front() == ' '))
        word.remove_prefix(1);
    while (!word.empty() && (word.back() == ']' || word.back() == ')' || word.back() == ' '))
        word.remove_suffix(1);
    for (const std::string_view s : {"s", "sec", "secs", "second", "seconds"})
        if (EqualsIgnoringAsciiCase(word, s)) return "s";
    // Case matters from here on: "ms" and "Ms" are not the same thing.
    for (const std::string_view ms : {"ms", "msec", "millisecond", "milliseconds"})
        if (word == ms) return "ms";
    for (const std::string_view us :
         {"us", "usec", "\xC2\xB5s", "\xCE\xBCs", "microsecond", "microseconds"})
        if (word == us) return "us";
    for (const std::string_view ns : {"ns", "nsec", "nanosecond", "nanoseconds"})
        if (word == ns) return "ns";
    for (const std::string_view ps : {"ps", "psec", "picosecond", "picoseconds"})
        if (word == ps) return "ps";
    return {};
}

Step StepOf(double seconds) {
    Step step{seconds, "s"};
    const double magnitude = std::fabs(seconds);
    for (const char* unit : {"s", "ms", "us", "ns", "ps"}) {
        step.unit = unit;
        if (magnitude >= SecondsPer(unit) * (1 - 1e-12)) break;
    }
    // Twelve significant digits: what the division by the unit adds in its last bits goes.
    char text[40];
    const double inUnit = seconds / SecondsPer(step.unit);
    const auto r = std::to_chars(text, text + sizeof text, inUnit, std::chars_format::general, 12);
    step.value = numtext::ParseReal(std::string_view(text, static_cast<std::size_t>(r.ptr - text)));
    return step;
}

std::string ExactText(double value) {
    if (value == std::trunc(value) && std::fabs(value) < 1e17)
        return fmt::format("{}", static_cast<long long>(value));
    char text[40];
    const auto r = std::to_chars(text, text + sizeof text, value);
    return std::string(text, r.ptr);
}

namespace {

// Digits after the point in a value's shortest text ("1.25" 2, "1e-07" 7, "200" 0).
int DecimalsOf(double value) {
    char text[40];
    const auto r = std::to_chars(text, text + sizeof text, value);
    const std::string_view t(text, static_cast<std::size_t>(r.ptr - text));
    const std::size_t e = t.find('e');
    const std::string_view mantissa = t.substr(0, e);
    const std::size_t point = mantissa.find('.');
    const int after =
        point == std::string_view::npos ? 0 : static_cast<int>(mantissa.size() - point - 1);
    const int exponent = e == std::string_view::npos ? 0 : numtext::ParseInt(t.substr(e + 1));
    return std::max(0, after - exponent);
}

}  // namespace

std::string SampleTimeText(double origin, double step, std::int64_t j) {
    const double t = origin + static_cast<double>(j) * step;
    const int decimals = std::max(DecimalsOf(origin), DecimalsOf(step));
    if (!std::isfinite(t) || decimals > 17 || std::fabs(t) >= 1e15) return ExactText(t);
    std::string text = fmt::format("{:.{}f}", t, decimals);
    if (decimals > 0) {
        while (text.back() == '0') text.pop_back();
        if (text.back() == '.') text.pop_back();
    }
    if (text == "-0") text = "0";
    return text;
}

std::string ReadableText(double value) {
    if (value == std::trunc(value) && std::fabs(value) < 1e17)
        return fmt::format("{}", static_cast<long long>(value));
    char text[40];
    const auto r = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 12);
    return std::string(text, r.ptr);
}

std::string Label(double t, double spacing, std::string_view unit) {
    // A step in us, ns or ps reads in the next larger unit with two decimals, or more when
    // neighbours need them.
    struct Scaled {
        std::string_view step, shown;
    };
    for (const Scaled s : {Scaled{"us", "ms"}, Scaled{"ns", "us"}, Scaled{"ps", "ns"}})
        if (unit == s.step) {
            const int decimals = std::max(2, DecimalsFor(spacing / 1000.0));
            // A time that rounds to zero is zero, without a sign.
            double shown = t / 1000.0;
            if (std::round(std::fabs(shown) * std::pow(10.0, decimals)) == 0) shown = 0;
            return fmt::format("{:.{}f}{}", shown, decimals, s.shown);
        }
    const double perSecond = SecondsPer(unit);
    return Clock(t * perSecond, DecimalsFor(spacing * perSecond));
}

}  // namespace timebase

std::string timebase::HertzText(double hertz) {
    const char* const prefixes[] = {"Hz", "kHz", "MHz", "GHz"};
    int p = 0;
    while (p < 3 && std::abs(hertz) >= 1000) hertz /= 1000, ++p;
    return fmt::format("{:.6g} {}", hertz, prefixes[p]);
}
