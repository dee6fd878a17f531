// CSV and TSV traces: cells separated by commas, semicolons or tabs, an optional first row of
// names ("U1 [V]" or "U1 (V)" gives the unit), an optional first column of evenly spaced
// times that gives the step.

#include <fmt/format.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <string>
#include <vector>

#include "framework/core/AsciiText.h"
#include "framework/core/File.h"
#include "framework/core/MessageSink.h"
#include "framework/core/NumberText.h"
#include "framework/core/Utf8.h"
#include "trace/Extremes.h"
#include "trace/FloatText.h"
#include "trace/FormatRegistry.h"
#include "trace/LineReader.h"
#include "trace/LineWriter.h"
#include "trace/ReadFailures.h"
#include "trace/TraceData.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

bool IsBlank(std::string_view line) {
    return std::all_of(line.begin(), line.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\0'; });
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// A tab makes a TSV row, a semicolon a European CSV row; a comma is the separator otherwise.
char SeparatorOf(std::string_view line) {
    if (line.find('\t') != std::string_view::npos) return '\t';
    if (line.find(';') != std::string_view::npos) return ';';
    return ',';
}

// The cells of a row; quoted cells may hold separators and doubled quotes.
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

// A cell's value: a whole number cell, "inf" words, else NaN (then `bad` is counted up).
// With a decimal comma, a ',' in the cell is its decimal point.
float CellValue(std::string_view cell, bool decimalComma, long long& bad) {
    cell = Trim(cell);
    std::string copy;
    if (decimalComma && cell.find(',') != std::string_view::npos) {
        copy = std::string(cell);
        std::replace(copy.begin(), copy.end(), ',', '.');
        cell = copy;
    }
    if (!cell.empty()) {
        const numtext::FloatScanResult r =
            numtext::ScanFloat(cell.data(), cell.data() + cell.size());
        if (r.end == cell.data() + cell.size()) return r.value;
        const std::string_view word =
            cell.front() == '+' || cell.front() == '-' ? cell.substr(1) : cell;
        if (EqualsIgnoringAsciiCase(word, "inf") || EqualsIgnoringAsciiCase(word, "infinity"))
            return cell.front() == '-' ? -std::numeric_limits<float>::infinity()
                                       : std::numeric_limits<float>::infinity();
    }
    ++bad;
    return kNaN;
}

bool IsNumberCell(std::string_view cell) {
    long long bad = 0;
    cell = Trim(cell);
    const std::string_view word =
        !cell.empty() && (cell.front() == '+' || cell.front() == '-') ? cell.substr(1) : cell;
    CellValue(cell, true, bad);
    return bad == 0 || cell.empty() || EqualsIgnoringAsciiCase(word, "nan");
}

// "U1 [V]" or "U1 (V)": the name and the unit.
void NameAndUnit(const std::string& cell, std::string& name, std::string& unit) {
    name = cell;
    unit.clear();
    const std::size_t open = cell.find_last_of("[(");
    if (open == std::string::npos || cell.size() < 2) return;
    const char close = cell[open] == '[' ? ']' : ')';
    if (cell.back() != close) return;
    name = std::string(Trim(std::string_view(cell).substr(0, open)));
    unit = std::string(Trim(std::string_view(cell).substr(open + 1, cell.size() - open - 2)));
}

// Seconds per unit for the units a time column may name; 0 for others.
double SecondsPer(std::string_view unit) {
    if (unit.empty() || unit == "s") return 1;
    if (unit == "ms") return 1e-3;
    if (unit == "us") return 1e-6;
    if (unit == "ns") return 1e-9;
    return 0;
}

struct Layout {
    char sep = ',';
    bool header = false;
    std::vector<std::string> names;  // the header's cells
    int columns = 0;                 // cells of the first data row
};

}  // namespace

bool csv_format::Read(CFile& file, CTraceData& fresh, CFormatState&) {
    constexpr int MAX_CURVES = CTraceData::MAX_CURVES;
    Layout layout;
    long long rows = 0, badCells = 0;
    std::vector<std::string> cells;
    std::vector<CFloatArray> columns;
    long long stored = 0;
    bool tooManyRows = false;
    std::vector<double> times;  // the first column in full precision, for the step
    bool timeColumn = false;
    std::string timeUnit;
    int kept = 0, dropped = 0;
    const bool read = ReportingReadFailures(file, [&] {
        // Counting pass: the row count, the separator and the header.
        std::string first;
        bool haveFirst = false, decided = false;
        ForEachLine(file, [&](std::string_view line, std::size_t) {
            if (IsBlank(line)) return;
            if (!decided) {
                if (!haveFirst) {
                    first = std::string(line);
                    haveFirst = true;
                    SplitCells(first, SeparatorOf(first), cells);
                    if (std::all_of(cells.begin(), cells.end(), IsNumberCell)) {
                        layout.sep = SeparatorOf(first);
                        layout.columns = static_cast<int>(cells.size());
                        decided = true;
                        ++rows;
                    } else {
                        layout.header = true;
                    }
                    return;
                }
                layout.sep = SeparatorOf(line);
                SplitCells(line, layout.sep, cells);
                layout.columns = static_cast<int>(cells.size());
                SplitCells(first, layout.sep, layout.names);
                decided = true;
            }
            if (rows == INT_MAX) {
                tooManyRows = true;
                return;
            }
            ++rows;
        });
        if (tooManyRows) {
            AfxMessageBox(MSG_TOO_MANY_SAMPLES);
            return false;
        }
        if (layout.header && !decided) {  // names and no data
            layout.sep = SeparatorOf(first);
            SplitCells(first, layout.sep, layout.names);
            layout.columns = static_cast<int>(layout.names.size());
        }
        const bool decimalComma = layout.sep != ',';
        int n = std::max(layout.columns, static_cast<int>(layout.names.size()));
        if (!layout.names.empty()) {
            std::string name;
            NameAndUnit(SanitizeUtf8(layout.names[0]), name, timeUnit);
            timeColumn = n > 1 && (EqualsIgnoringAsciiCase(name, "time") ||
                                   EqualsIgnoringAsciiCase(name, "t"));
        }
        const int curves = n - (timeColumn ? 1 : 0);
        kept = std::min(curves, static_cast<int>(MAX_CURVES));
        dropped = curves - kept;
        n = kept + (timeColumn ? 1 : 0);

        // Storing pass, straight into the sample arrays.
        columns.resize(static_cast<std::size_t>(n));
        for (auto& c : columns) {
            c = CFloatArray::Allocate(static_cast<std::size_t>(std::max<long long>(rows, 1)),
                                      false);
            if (!c) throw std::bad_alloc();
        }
        if (timeColumn) times.reserve(static_cast<std::size_t>(rows));
        file.SeekToBegin();
        bool skippedHeader = !layout.header;
        ForEachLine(file, [&](std::string_view line, std::size_t readable) {
            if (IsBlank(line)) return;
            if (!skippedHeader) {
                skippedHeader = true;
                return;
            }
            if (stored == rows) return;  // the file grew since it was counted
            const auto row = static_cast<std::size_t>(stored++);
            // The common row, plain numbers without quotes or decimal commas, is read in
            // place; any other through the cells.
            const bool plain = !decimalComma && line.find('"') == std::string_view::npos;
            const char* p = line.data();
            const char* const end = p + line.size();
            const char* const readableEnd = end + readable;
            if (!plain) SplitCells(line, layout.sep, cells);
            for (int k = 0; k < n; ++k) {
                std::string_view cell;
                if (!plain) {
                    if (k < static_cast<int>(cells.size()))
                        cell = cells[static_cast<std::size_t>(k)];
                } else if (p <= end) {
                    const char* stop = static_cast<const char*>(
                        std::memchr(p, layout.sep, static_cast<std::size_t>(end - p)));
                    if (stop == nullptr) stop = end;
                    cell = std::string_view(p, static_cast<std::size_t>(stop - p));
                    p = stop + 1;
                }
                float value;
                const char* q = cell.data();
                const char* const cellEnd = q + cell.size();
                while (q < cellEnd && *q == ' ') ++q;
                numtext::FloatScanResult r{0, q};
                if (plain && q < cellEnd) r = numtext::ScanFloat(q, cellEnd, readableEnd);
                const char* after = r.end;
                while (after < cellEnd && (*after == ' ' || *after == '\r')) ++after;
                if (plain && r.end != q && after == cellEnd)
                    value = r.value;
                else
                    value = CellValue(cell, decimalComma, badCells);
                if (timeColumn && k == 0) {
                    std::string text(Trim(cell));
                    if (decimalComma) std::replace(text.begin(), text.end(), ',', '.');
                    const numtext::ScanResult t =
                        numtext::ScanReal(text.data(), text.data() + text.size());
                    times.push_back(t.end == text.data() + text.size() && !text.empty()
                                        ? t.value
                                        : std::nan(""));
                }
                columns[static_cast<std::size_t>(k)][row] = value;
            }
        });
        return true;
    });
    if (!read) return false;

    // An evenly spaced first column named time gives the step, in its unit when whole there,
    // else in microseconds; otherwise it is an ordinary curve.
    int first = 0;
    std::string stepNotice;
    fresh.m_nStep = 1;
    fresh.m_strStepUnit = "s";
    if (timeColumn && times.size() == 1) {  // one row: a time, but no step to take from it
        fresh.m_strStepUnit = timeUnit.empty() ? "s" : timeUnit;
        first = 1;
    } else if (timeColumn && times.size() >= 2) {
        const double step = (times.back() - times.front()) / static_cast<double>(times.size() - 1);
        bool even = step > 0 && std::isfinite(step);
        for (std::size_t i = 1; even && i < times.size(); ++i)
            even = std::fabs((times[i] - times[i - 1]) - step) <= 1e-6 * step;
        const double whole = std::round(step);
        const double micro = std::round(step * SecondsPer(timeUnit) * 1e6);
        if (even && std::fabs(step - whole) <= 1e-6 * step && whole <= INT_MAX) {
            fresh.m_nStep = static_cast<int>(whole);
            fresh.m_strStepUnit = timeUnit.empty() ? "s" : timeUnit;
            first = 1;
        } else if (even && SecondsPer(timeUnit) > 0 && micro >= 1 && micro <= INT_MAX &&
                   std::fabs(step * SecondsPer(timeUnit) * 1e6 - micro) <= 1e-6 * micro) {
            fresh.m_nStep = static_cast<int>(micro);
            fresh.m_strStepUnit = "us";
            first = 1;
        } else if (even) {
            stepNotice = fmt::format(
                "The time column's step of {:g} {} is not a whole number of microseconds; it is "
                "read as a curve.",
                step, timeUnit.empty() ? "s" : timeUnit);
        }
    }
    // A time column that gives no step is a curve, and takes the last curve's place.
    if (timeColumn && first == 0 && kept == MAX_CURVES) ++dropped;
    const int curves =
        std::min(static_cast<int>(columns.size()) - first, static_cast<int>(MAX_CURVES));
    fresh.m_nCurveCount = std::max(curves, 0);
    fresh.m_nSampleCount = static_cast<int>(stored);
    for (int i = 0; i < fresh.m_nCurveCount; ++i) {
        if (i + first < static_cast<int>(layout.names.size()))
            NameAndUnit(SanitizeUtf8(layout.names[static_cast<std::size_t>(i + first)]),
                        fresh.m_strCurveName[i], fresh.m_strCurveUnit[i]);
        if (stored == 0) continue;
        fresh.m_pSamples[i] = std::move(columns[static_cast<std::size_t>(i + first)]);
        // The range of the finite values: infinities (1e400, "inf") would leave no scale to
        // draw, and a column without numbers gets none.
        const float* s = fresh.m_pSamples[i].get();
        float lo = std::numeric_limits<float>::infinity(), hi = -lo;
        ExtremesInOrder<true>(s, s, stored, hi, lo);
        fresh.m_fCurveBottom[i] = lo <= hi ? lo : 0.0f;
        fresh.m_fCurveTop[i] = lo <= hi ? hi : 0.0f;
    }
    if (dropped > 0)
        AfxNotice(fmt::format("The trace holds 8 curves at most: {} more {} dropped.", dropped,
                              dropped == 1 ? "column was" : "columns were"));
    if (badCells > 0)
        AfxNotice(badCells == 1 ? std::string("1 cell was empty or not a number and read as NaN.")
                                : fmt::format("{} cells were empty or not numbers and read as NaN.",
                                              badCells));
    if (!stepNotice.empty()) AfxNotice(stepNotice);
    return true;
}

void csv_format::Write(CFile& file, const CTraceData& t, const CFormatState&) {
    CLineWriter out(file);
    const auto quoted = [](const std::string& cell) {
        if (cell.find_first_of(",;\t\"") == std::string::npos) return cell;
        std::string q = "\"";
        for (const char c : cell) q += c == '"' ? std::string("\"\"") : std::string(1, c);
        return q + "\"";
    };
    const auto named = [](const std::string& name, const std::string& unit) {
        return unit.empty() ? name : name + " [" + unit + "]";
    };
    out.Append(quoted(named("time", t.m_strStepUnit)));
    for (int i = 0; i < t.m_nCurveCount; ++i) {
        if (!t.m_pSamples[i]) continue;
        out.Append(",");
        out.Append(quoted(named(t.m_strCurveName[i], t.m_strCurveUnit[i])));
    }
    out.EndLine();
    char text[32];
    for (int j = 0; j < t.m_nSampleCount; ++j) {
        out.Append(std::to_string(static_cast<long long>(j) * t.m_nStep));
        for (int i = 0; i < t.m_nCurveCount; ++i) {
            if (!t.m_pSamples[i]) continue;
            out.Append(",");
            const float v = t.m_pSamples[i][static_cast<std::size_t>(j)];
            // NaN as an empty cell, which reads back as NaN.
            if (!std::isnan(v)) out.Append(float_text::RoundTripText(v, text));
        }
        out.EndLine();
    }
    out.Flush();
}
