#include "trace/formats/csv/CsvCells.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>

#include "framework/core/AsciiText.h"
#include "framework/core/NumberText.h"

namespace csv_layout {

namespace {

double PowerOfTen(int k) {
    static const auto table = [] {
        std::array<double, 81> t{};
        for (int i = 0; i < 81; ++i) t[static_cast<std::size_t>(i)] = std::pow(10.0, i - 40);
        return t;
    }();
    return k >= -40 && k <= 40 ? table[static_cast<std::size_t>(k + 40)] : std::pow(10.0, k);
}

}  // namespace

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\r' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\r' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

std::string QuotedCell(const std::string& text) {
    if (text.find_first_of(",;\t\"\r\n") == std::string::npos) return text;
    std::string q = "\"";
    for (const char c : text) q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}

std::string StripQuotes(std::string_view s) {
    s = Trim(s);
    if (s.size() >= 2 &&
        ((s.front() == '"' && s.back() == '"') || (s.front() == '\'' && s.back() == '\'')))
        s = Trim(s.substr(1, s.size() - 2));
    return std::string(s);
}

void CTimeTrack::Add(double value, double halfUnit) {
    if (!std::isfinite(value)) {
        m_bGaps = true;
        return;
    }
    if (m_nCount == 0) {
        m_first = value;
        m_firstHalf = halfUnit;
    } else {
        const double step = value - m_last;
        if (m_nCount == 1 || step < m_least) m_least = step;
        if (m_nCount == 1 || step > m_most) m_most = step;
    }
    m_last = value;
    m_lastHalf = halfUnit;
    m_half = std::max(m_half, halfUnit);
    if (halfUnit > 0 && (m_finest == 0 || halfUnit < m_finest)) m_finest = halfUnit;
    ++m_nCount;
}

double CTimeTrack::MeanStep() const {
    if (m_nCount < 2) return 0;
    const double n = static_cast<double>(m_nCount - 1);
    // Two printed values lie a whole number of the finer one's last digit apart: 1365004402.148
    // less 1365004402.140 is 8 ms, whatever the doubles nearest to them say.
    double span = m_last - m_first;
    if (const double unit = 2 * std::min(m_firstHalf, m_lastHalf); unit > 0)
        span = std::round(span / unit) * unit;
    double step = span / n;
    const double doubt = 4 * std::numeric_limits<double>::epsilon() *
                         std::max(std::fabs(m_first), std::fabs(m_last)) / n;
    if (doubt > 0 && step > doubt) {
        const double grain = std::pow(10.0, std::floor(std::log10(doubt)));
        step = std::round(step / grain) * grain;
    }
    return step;
}

bool CTimeTrack::Even() const {
    if (m_nCount < 2 || m_bGaps || !(m_least > 0)) return false;
    const double mean = (m_last - m_first) / static_cast<double>(m_nCount - 1);
    // The bound itself counts as within, whatever the last bits of the arithmetic say; the
    // last term is what the subtraction of two large times may lose.
    const double slack = (1e-4 * mean + std::min(2 * m_half, mean / 4)) * (1 + 1e-9) +
                         4 * std::numeric_limits<double>::epsilon() *
                             std::max(std::fabs(m_first), std::fabs(m_last));
    return m_most - mean <= slack && mean - m_least <= slack;
}

bool BlankRecord(std::string_view record) {
    return std::all_of(record.begin(), record.end(), [](char c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\0' || c == ',' || c == ';';
    });
}

void SplitCells(std::string_view line, char sep, std::vector<std::string>& cells) {
    cells.clear();
    std::size_t i = 0;
    for (;;) {
        std::string cell;
        while (i < line.size() && line[i] == ' ') ++i;
        if (i < line.size() && line[i] == '"') {
            for (++i; i < line.size(); ++i) {
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        cell += '"';
                        ++i;
                    } else {
                        ++i;
                        break;
                    }
                } else {
                    cell += line[i];
                }
            }
            while (i < line.size() && line[i] != sep) ++i;
        } else {
            const std::size_t end = std::min(line.find(sep, i), line.size());
            cell = std::string(Trim(line.substr(i, end - i)));
            i = end;
        }
        cells.push_back(std::move(cell));
        if (i >= line.size()) break;
        ++i;  // the separator
    }
}

bool ParseNumber(std::string_view cell, bool decimalComma, double& value, double& halfUnit) {
    cell = Trim(cell);
    if (cell.empty()) return false;
    // A copy only for a decimal comma to turn into a point.
    std::string commaFree;
    std::string_view copy = cell;
    if (decimalComma && cell.find(',') != std::string_view::npos) {
        commaFree = std::string(cell);
        std::replace(commaFree.begin(), commaFree.end(), ',', '.');
        copy = commaFree;
    }
    // Hexadecimal, as logic analysers and registers print them: 0xFF, -0x1A.
    const std::string_view digits =
        copy.front() == '-' || copy.front() == '+' ? copy.substr(1) : copy;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X') &&
        digits.size() <= 2 + 15) {
        std::uint64_t v = 0;
        const auto r = std::from_chars(digits.data() + 2, digits.data() + digits.size(), v, 16);
        if (r.ec == std::errc() && r.ptr == digits.data() + digits.size()) {
            value = copy.front() == '-' ? -static_cast<double>(v) : static_cast<double>(v);
            halfUnit = 0.5;
            return true;
        }
    }
    const numtext::ScanResult r = numtext::ScanReal(copy.data(), copy.data() + copy.size());
    if (r.end == copy.data() + copy.size()) {
        value = r.value;
        // Digits after the point, less the exponent, make the last digit's place.
        int decimals = 0, exponent = 0;
        const std::size_t point = copy.find('.');
        const std::size_t e = copy.find_first_of("eE");
        if (point != std::string_view::npos)
            for (std::size_t i = point + 1; i < copy.size() && copy[i] >= '0' && copy[i] <= '9';
                 ++i)
                ++decimals;
        if (e != std::string_view::npos) exponent = numtext::ParseInt(copy.substr(e + 1));
        halfUnit = 0.5 * PowerOfTen(exponent - decimals);
        return true;
    }
    const std::string_view word =
        copy.front() == '+' || copy.front() == '-' ? copy.substr(1) : copy;
    halfUnit = 0;
    if (EqualsIgnoringAsciiCase(word, "nan")) {
        value = std::numeric_limits<double>::quiet_NaN();
        return true;
    }
    if (EqualsIgnoringAsciiCase(word, "inf") || EqualsIgnoringAsciiCase(word, "infinity")) {
        value = copy.front() == '-' ? -std::numeric_limits<double>::infinity()
                                    : std::numeric_limits<double>::infinity();
        return true;
    }
    return false;
}

}  // namespace csv_layout
