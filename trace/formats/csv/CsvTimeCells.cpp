#include "trace/formats/csv/CsvTimeCells.h"

#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <utility>

#include "framework/core/AsciiText.h"
#include "trace/formats/csv/CsvCells.h"

namespace csv_layout {

namespace {

// Reads a stamp from left to right.
struct Cursor {
    std::string_view s;
    std::size_t at = 0;

    bool More() const { return at < s.size(); }
    char Peek() const { return More() ? s[at] : '\0'; }
    bool Eat(char c) {
        if (Peek() != c) return false;
        ++at;
        return true;
    }
    // From `least` to `most` digits.
    bool Digits(std::size_t least, std::size_t most, int& out) {
        std::size_t n = 0;
        out = 0;
        while (n < most && More() && s[at] >= '0' && s[at] <= '9')
            out = out * 10 + (s[at++] - '0'), ++n;
        return n >= least;
    }
};

std::int64_t DaysSince1970(int y, int m, int d) {
    const std::chrono::year_month_day date{std::chrono::year{y},
                                           std::chrono::month{static_cast<unsigned>(m)},
                                           std::chrono::day{static_cast<unsigned>(d)}};
    if (y < 1 || m < 1 || d < 1 || !date.ok()) return std::numeric_limits<std::int64_t>::min();
    return std::chrono::sys_days{date}.time_since_epoch().count();
}

constexpr std::int64_t kNoDay = std::numeric_limits<std::int64_t>::min();

// 2023-12-31, 2023/12/31, 2023.12.31; or 31.12.2023, 31/12/2023, 12/31/2023, as `order`
// says. A day the calendar has (no 30 February).
bool ParseDate(Cursor& c, DateOrder order, std::int64_t& days, StampShape& shape) {
    const std::size_t start = c.at;
    int y = 0, m = 0, d = 0;
    if (c.Digits(4, 4, y) && (c.Peek() == '-' || c.Peek() == '/' || c.Peek() == '.')) {
        const char mark = c.s[c.at++];
        if (c.Digits(1, 2, m) && c.Eat(mark) && c.Digits(1, 2, d)) {
            shape.dateMark = mark;
            days = DaysSince1970(y, m, d);
            return days != kNoDay;
        }
        return false;
    }
    c.at = start;
    int a = 0, b = 0;
    if (!c.Digits(1, 2, a) || !(c.Peek() == '-' || c.Peek() == '/' || c.Peek() == '.'))
        return false;
    const char mark = c.s[c.at++];
    if (!c.Digits(1, 2, b) || !c.Eat(mark) || !c.Digits(4, 4, y)) return false;
    shape.shortFirst = true;
    shape.dateMark = mark;
    shape.a = a;
    shape.b = b;
    days = order == DateOrder::monthFirst ? kNoDay : DaysSince1970(y, b, a);
    if (days == kNoDay && order != DateOrder::dayFirst) days = DaysSince1970(y, a, b);
    return days != kNoDay;
}

// hh:mm[:ss[.fff]] with an optional AM or PM; without a date the hours may run past 23 (an
// elapsed time).
bool ParseClock(Cursor& c, bool elapsed, double& seconds, double& halfUnit) {
    int h = 0, mi = 0, s = 0;
    if (!c.Digits(1, elapsed ? 3 : 2, h) || !c.Eat(':') || !c.Digits(2, 2, mi)) return false;
    double fraction = 0;
    halfUnit = 30;
    if (c.Eat(':')) {
        if (!c.Digits(2, 2, s)) return false;
        halfUnit = 0.5;
        if (c.Eat('.') || c.Eat(',')) {
            double scale = 0.1;
            for (; c.More() && c.Peek() >= '0' && c.Peek() <= '9'; ++c.at) {
                fraction += (c.Peek() - '0') * scale;
                halfUnit = scale / 2;
                scale /= 10;
            }
        }
    }
    // 12-hour clocks: 12:30 AM is half past midnight, 12:30 PM half past noon.
    std::size_t mark = c.at;
    while (mark < c.s.size() && c.s[mark] == ' ') ++mark;
    const std::string_view rest = c.s.substr(mark);
    const bool am = rest.size() >= 2 && EqualsIgnoringAsciiCase(rest.substr(0, 2), "am");
    const bool pm = rest.size() >= 2 && EqualsIgnoringAsciiCase(rest.substr(0, 2), "pm");
    if (am || pm) {
        if (h < 1 || h > 12) return false;
        h = h % 12 + (pm ? 12 : 0);
        c.at = mark + 2;
    }
    if ((!elapsed && h > 23) || mi > 59 || s > 60) return false;
    seconds = h * 3600.0 + mi * 60.0 + s + fraction;
    return true;
}

bool WholeIn(double v, double least, double most) {
    return v == std::trunc(v) && v >= least && v <= most;
}

}  // namespace

bool ParseStamp(std::string_view cell, DateOrder order, double& seconds, double& halfUnit,
                StampShape* shape) {
    if (cell.size() < 4) return false;  // too short for h:mm
    const std::string stripped = StripQuotes(cell);
    Cursor c{Trim(stripped)};
    StampShape sh;
    std::int64_t days = 0;
    double clock = 0;
    halfUnit = 43200;
    sh.date = ParseDate(c, order, days, sh);
    if (sh.date) {
        if (c.Eat(' ') || c.Eat('T')) {
            while (c.Eat(' ')) {
            }
            sh.time = ParseClock(c, false, clock, halfUnit);
            if (!sh.time) return false;
        }
    } else {
        if (sh.shortFirst && sh.dateMark != 0) return false;  // a date that is no day
        c.at = 0;
        sh = {};
        sh.time = ParseClock(c, true, clock, halfUnit);
        if (!sh.time) return false;
    }
    c.Eat('Z');
    if (c.More()) return false;
    seconds = (sh.date ? static_cast<double>(days) * 86400 : 0) + clock;
    if (shape != nullptr) *shape = sh;
    return true;
}

namespace {

int DecimalsFor(double halfUnit) {
    int decimals = 0;
    while (decimals < 9 && halfUnit > 0 && halfUnit < 0.5 * std::pow(10.0, -decimals) * 0.999)
        ++decimals;
    return decimals;
}

// "hh:mm:ss.fff" of seconds already rounded to `decimals`.
std::string Clock(double seconds, int decimals) {
    const auto h = static_cast<long long>(seconds / 3600);
    const auto m = static_cast<int>(seconds / 60) % 60;
    const double s = seconds - static_cast<double>(h) * 3600 - m * 60;
    return fmt::format("{:02}:{:02}:{:0{}.{}f}", h, m, s, decimals > 0 ? decimals + 3 : 2,
                       decimals);
}

double Rounded(double seconds, int decimals) {
    const double scale = std::pow(10.0, decimals);
    return std::round(seconds * scale) / scale;  // no "59.9999" shown as "60.00"
}

}  // namespace

std::string CalendarText(double seconds, double halfUnit) {
    const int decimals = DecimalsFor(halfUnit);
    seconds = Rounded(seconds, decimals);
    const double day = std::floor(seconds / 86400);
    const std::chrono::year_month_day date{
        std::chrono::sys_days{std::chrono::days{static_cast<int>(day)}}};
    return fmt::format("{:04}-{:02}-{:02} {}", static_cast<int>(date.year()),
                       static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                       Clock(seconds - day * 86400, decimals));
}

std::string ClockText(double seconds, double halfUnit) {
    const int decimals = DecimalsFor(halfUnit);
    return Clock(Rounded(seconds, decimals), decimals);
}

CTimeCells::CTimeCells(std::vector<TimeSource> sources, DateOrder order, bool decimalComma)
    : m_sources(std::move(sources)), m_order(order), m_decimalComma(decimalComma) {
    for (const TimeSource& s : m_sources)
        m_wraps = m_wraps && s.part != TimePart::year && s.part != TimePart::month &&
                  s.part != TimePart::day && s.part != TimePart::epoch &&
                  s.part != TimePart::epochMs && s.part != TimePart::number;
}

int CTimeCells::SourceOf(std::size_t column) const {
    for (std::size_t i = 0; i < m_sources.size(); ++i)
        if (m_sources[i].column == column) return static_cast<int>(i);
    return -1;
}

void CTimeCells::Take(int source, std::string_view cell) {
    const TimePart part = m_sources[static_cast<std::size_t>(source)].part;
    ++m_taken;
    double v = 0, h = 0;
    if (part == TimePart::stamp) {
        StampShape shape;
        if (!ParseStamp(cell, m_order, v, h, &shape)) {
            m_bad = true;
            return;
        }
        m_wraps = m_wraps && !shape.date;
        m_sum += v;
        m_half = m_taken == 1 ? h : std::min(m_half, h);
        return;
    }
    if (!ParseNumber(cell, m_decimalComma, v, h) || !std::isfinite(v)) {
        m_bad = true;
        return;
    }
    struct Scale {
        double seconds, half;
    };
    Scale scale{1, h};
    switch (part) {
        case TimePart::year:
            m_bad = m_bad || !WholeIn(v, 1, 9999);
            m_year = static_cast<int>(v);
            return;
        case TimePart::month:
            m_bad = m_bad || !WholeIn(v, 1, 12);
            m_month = static_cast<int>(v);
            return;
        case TimePart::day:
            m_bad = m_bad || !WholeIn(v, 1, 31);
            m_day = static_cast<int>(v);
            m_half = m_taken == 1 ? 43200 : std::min(m_half, 43200.0);
            return;
        case TimePart::hour:
            scale = {3600, 1800};
            break;
        case TimePart::minute:
            scale = {60, 30};
            break;
        case TimePart::epochMs:
            scale = {1e-3, h * 1e-3};
            break;
        default:
            break;
    }
    m_sum += v * scale.seconds;
    m_half = m_taken == 1 ? scale.half : std::min(m_half, scale.half);
}

bool CTimeCells::End(double& seconds, double& halfUnit) {
    bool ok = !m_bad && m_taken == static_cast<int>(m_sources.size());
    double value = m_sum;
    if (ok && (m_year != 0 || m_month != 0 || m_day != 0)) {
        const std::int64_t days = DaysSince1970(m_year, m_month, m_day);
        ok = days != kNoDay;
        value += ok ? static_cast<double>(days) * 86400 : 0;
    }
    if (ok && m_wraps) {
        if (m_any && value + m_days < m_last - 43200) m_days += 86400;
        value += m_days;
        m_last = value;
        m_any = true;
    }
    seconds = value;
    halfUnit = m_half;
    m_sum = m_half = 0;
    m_year = m_month = m_day = m_taken = 0;
    m_bad = false;
    return ok;
}

}  // namespace csv_layout
