// CSV and TSV traces as instruments, loggers and sensor apps write them: the layout is made
// out from the file's head (trace/FormatCsvLayout.h), then the body is read at full speed,
// plain rows in place, into the sample arrays. What was guessed or dropped is said in one
// notice.

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
#include "trace/formats/FormatRegistry.h"
#include "trace/formats/ReadFailures.h"
#include "trace/formats/csv/FormatCsvLayout.h"
#include "trace/formats/io/FloatText.h"
#include "trace/formats/io/LineReader.h"
#include "trace/formats/io/LineWriter.h"
#include "trace/model/Extremes.h"
#include "trace/model/HeaderItems.h"
#include "trace/model/TimeBase.h"
#include "trace/model/TraceData.h"

namespace {

using csv_layout::Role;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// A cell's value: a number, "inf" words, else NaN (then `bad` is counted up). With a decimal
// comma, a ',' in the cell is its decimal point.
float CellValue(std::string_view cell, bool decimalComma, long long& bad) {
    double v = 0, h = 0;
    if (csv_layout::ParseNumber(cell, decimalComma, v, h) && !std::isnan(v))
        return numtext::NarrowToFloat(v);
    ++bad;
    return kNaN;
}

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

// Every record of the file from its start, lines with quoted line ends joined, blank ones
// skipped; lines that end in a carriage return alone are lines too when the layout says so.
template <typename OnRecord>
void ForEachRecord(CFile& file, bool crOnly, OnRecord&& onRecord) {
    file.SeekToBegin();
    std::string pending;
    const auto read = [&](char* buf, std::size_t n) {
        const std::size_t got = file.Read(buf, n);
        if (crOnly) std::replace(buf, buf + got, '\r', '\n');
        return got;
    };
    ForEachLineOf(read, true, true, [&](std::string_view line, std::size_t readable) {
        if (!pending.empty()) {
            pending += '\n';
            pending += line;
            // An open quote may not gather the file into one record.
            if (pending.size() > line_reader::kLongestLine) throw CLineTooLong();
            if (csv_layout::QuoteOpen(pending)) return;
            if (!csv_layout::BlankRecord(pending))
                onRecord(std::string_view(pending), std::size_t{0}, true);
            pending.clear();
            return;
        }
        const bool quoted = std::memchr(line.data(), '"', line.size()) != nullptr;
        if (quoted && csv_layout::QuoteOpen(line)) {
            pending = std::string(line);
            return;
        }
        if (!csv_layout::BlankRecord(line)) onRecord(line, readable, quoted);
    });
    if (!pending.empty() && !csv_layout::BlankRecord(pending))
        onRecord(std::string_view(pending), std::size_t{0}, true);
}

// Which of the curve columns become curves: the ones `wanted` names (a name, a column's
// label or its 0-based number in the file), else the first eight. False, after a message,
// when `wanted` names a column the file does not have.
bool ChooseCurves(csv_layout::Layout& layout, const std::vector<std::string>& wanted,
                  const std::string& file, std::vector<std::size_t>& chosen,
                  std::vector<std::string>& leftOut) {
    std::vector<std::size_t> curves;
    for (std::size_t j = 0; j < layout.columns.size(); ++j)
        if (layout.columns[j].role == Role::curve) curves.push_back(j);
    for (const std::string& want : wanted) {
        int number = -1;
        const bool numeric =
            !want.empty() && want.find_first_not_of("0123456789") == std::string::npos;
        if (numeric) number = numtext::ParseInt(want);
        const auto it = std::find_if(curves.begin(), curves.end(), [&](std::size_t j) {
            const csv_layout::Column& c = layout.columns[j];
            return numeric ? static_cast<int>(j) == number : c.name == want || c.label == want;
        });
        if (it == curves.end()) {
            AfxMessageBox(file + " has no curve column \"" + want + "\".");
            return false;
        }
        if (std::find(chosen.begin(), chosen.end(), *it) == chosen.end()) chosen.push_back(*it);
    }
    if (wanted.empty())
        chosen.assign(curves.begin(),
                      curves.begin() + static_cast<long>(std::min<std::size_t>(curves.size(), 8)));
    if (chosen.size() > CTraceData::MAX_CURVES) {
        AfxMessageBox("A trace holds 8 curves at most; " + std::to_string(chosen.size()) +
                      " were asked for.");
        return false;
    }
    for (const std::size_t j : curves)
        if (std::find(chosen.begin(), chosen.end(), j) == chosen.end()) {
            layout.columns[j].role = Role::ignored;
            leftOut.push_back("\"" + layout.columns[j].label + "\"");
        }
    return true;
}

// A value as far as the printed digits tell it: rounded to the place of their last digit.
double Printed(double v, double halfUnit) {
    if (!(halfUnit > 0)) return v;
    const double unit = 2 * halfUnit;
    return std::round(v / unit) * unit;
}

std::string Joined(const std::vector<std::string>& items, std::string_view glue) {
    std::string out;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) out += glue;
        out += items[i];
    }
    return out;
}

}  // namespace

std::vector<std::string> csv_format::Columns(CFile& file) {
    std::string head(csv_layout::kHeadBytes, '\0');
    std::size_t got = 0;
    while (got < head.size()) {
        const std::size_t n = file.Read(head.data() + got, head.size() - got);
        if (n == 0) break;
        got += n;
    }
    head.resize(got);
    const csv_layout::Layout layout = csv_layout::Detect(head, got < csv_layout::kHeadBytes);
    std::vector<std::string> labels;
    for (std::size_t j = 0; j < layout.columns.size(); ++j)
        if (layout.columns[j].role == Role::curve) labels.push_back(layout.columns[j].label);
    return labels;
}

bool csv_format::Read(CFile& file, CTraceData& fresh, CFormatState& state) {
    const std::string path = file.GetFilePath();
    const std::string name =
        path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
    return ReportingReadFailures(file, [&] {
        // The layout, from the head.
        std::string head(csv_layout::kHeadBytes, '\0');
        std::size_t got = 0;
        while (got < head.size()) {
            const std::size_t n = file.Read(head.data() + got, head.size() - got);
            if (n == 0) break;
            got += n;
        }
        head.resize(got);
        csv_layout::Layout layout = csv_layout::Detect(head, got < csv_layout::kHeadBytes);
        head = std::string();
        if (!layout.refusal.empty()) {
            AfxMessageBox((name.empty() ? std::string("The file") : name) +
                          " could not be read as a table: " + layout.refusal + ".");
            return false;
        }
        std::vector<std::string> leftOut;
        std::vector<std::size_t> order;  // the curve columns, in the order they become curves
        if (!ChooseCurves(layout, state.curves, name.empty() ? "The file" : name, order, leftOut))
            return false;

        // Counting pass: the data rows.
        long long rows = 0;
        std::int64_t record = 0;
        bool tooMany = false;
        ForEachRecord(file, layout.crOnly, [&](std::string_view, std::size_t, bool) {
            if (record++ < layout.dataRecord) return;
            if (rows == INT_MAX)
                tooMany = true;
            else
                ++rows;
        });
        if (tooMany) {
            AfxMessageBox(MSG_TOO_MANY_SAMPLES);
            return false;
        }

        // Where each column goes: a curve's array, the time values, or nowhere.
        const int width = static_cast<int>(layout.columns.size());
        std::vector<float*> dest(static_cast<std::size_t>(width), nullptr);
        std::vector<CFloatArray> curves(order.size());
        const auto capacity = static_cast<std::size_t>(std::max<long long>(rows, 1));
        for (std::size_t i = 0; i < curves.size(); ++i) {
            curves[i] = CFloatArray::Allocate(capacity, false);
            if (!curves[i]) throw std::bad_alloc();
            dest[order[i]] = curves[i].get();
        }
        int timeColumn = -1;
        for (int j = 0; j < width; ++j)
            if (layout.columns[static_cast<std::size_t>(j)].role == Role::time ||
                layout.columns[static_cast<std::size_t>(j)].role == Role::timestamp) {
                timeColumn = j;
                break;
            }
        // The time column's floats too, in case it turns out not to be even and is a curve
        // after all.
        CFloatArray timeFloats;
        std::vector<double> times;
        std::vector<double> halfUnits;
        const bool stamps =
            timeColumn >= 0 &&
            layout.columns[static_cast<std::size_t>(timeColumn)].role == Role::timestamp;
        if (timeColumn >= 0) {
            times.reserve(capacity);
            halfUnits.reserve(capacity);
            if (!stamps) {
                timeFloats = CFloatArray::Allocate(capacity, false);
                if (!timeFloats) throw std::bad_alloc();
                dest[static_cast<std::size_t>(timeColumn)] = timeFloats.get();
            }
        }

        // Storing pass.
        long long stored = 0, badCells = 0, extraCells = 0;
        std::vector<std::string> cells;
        record = 0;
        const bool decimalComma = layout.decimalComma;
        const char sep = layout.separator;
        ForEachRecord(
            file, layout.crOnly, [&](std::string_view line, std::size_t readable, bool quoted) {
                if (record++ < layout.dataRecord) return;
                if (stored == rows) return;  // the file grew since it was counted
                const auto row = static_cast<std::size_t>(stored++);
                // The common row, plain numbers without quotes or decimal commas, is read in
                // place; any other through the cells.
                const bool plain = !decimalComma && !quoted;
                const char* p = line.data();
                const char* const end = p + line.size();
                const char* const readableEnd = readable > 0 ? end + readable : nullptr;
                if (!plain) csv_layout::SplitCells(line, sep, cells);
                for (int k = 0; k < width; ++k) {
                    std::string_view cell;
                    if (!plain) {
                        if (k < static_cast<int>(cells.size()))
                            cell = cells[static_cast<std::size_t>(k)];
                    } else if (p <= end) {
                        const char* stop = static_cast<const char*>(
                            std::memchr(p, sep, static_cast<std::size_t>(end - p)));
                        if (stop == nullptr) stop = end;
                        cell = std::string_view(p, static_cast<std::size_t>(stop - p));
                        p = stop + 1;
                    }
                    if (k == timeColumn) {
                        double v = std::nan(""), h = 0;
                        if (stamps)
                            csv_layout::ParseTimestamp(cell, v, h);
                        else
                            csv_layout::ParseNumber(cell, decimalComma, v, h);
                        times.push_back(v);
                        halfUnits.push_back(h);
                    }
                    float* const column = dest[static_cast<std::size_t>(k)];
                    if (column == nullptr) continue;
                    float value;
                    const char* q = cell.data();
                    const char* const cellEnd = q + cell.size();
                    while (q < cellEnd && *q == ' ') ++q;
                    numtext::FloatScanResult r{0, q};
                    if (plain && q < cellEnd)
                        r = readableEnd != nullptr ? numtext::ScanFloat(q, cellEnd, readableEnd)
                                                   : numtext::ScanFloat(q, cellEnd);
                    const char* after = r.end;
                    while (after < cellEnd && (*after == ' ' || *after == '\r')) ++after;
                    if (plain && r.end != q && after == cellEnd)
                        value = r.value;
                    else
                        value = CellValue(cell, decimalComma, badCells);
                    column[row] = value;
                }
                // Cells past the table's columns have no curve to go to.
                if (plain) {
                    for (; p <= end; ++p) {
                        const char* stop = static_cast<const char*>(
                            std::memchr(p, sep, static_cast<std::size_t>(end - p)));
                        if (stop == nullptr) stop = end;
                        extraCells +=
                            !Trim(std::string_view(p, static_cast<std::size_t>(stop - p))).empty();
                        p = stop;
                    }
                } else {
                    for (std::size_t k = static_cast<std::size_t>(width); k < cells.size(); ++k)
                        extraCells += !Trim(cells[k]).empty();
                }
            });

        // The work after the reading goes in pieces too, so that a cancel is heard between.
        constexpr long long kCheckEvery = 1 << 22;
        const auto checkpoint = [&file] {
            if (file.m_onRead) file.m_onRead(0);
        };
        // The time base: stated by the file, else from the time column when it is even.
        std::vector<std::string> said = layout.guesses;
        double stepSeconds = layout.statedStep;
        // A "Step" line (value and unit) is the step exactly as a save of ours wrote it, for
        // the traces whose time column cannot carry it: negative, or fewer than two rows.
        bool exactStep = false;
        for (const auto& [key, value] : layout.preamble) {
            if (key != "Step") continue;
            const numtext::ScanResult v =
                numtext::ScanReal(value.data(), value.data() + value.size());
            if (v.end == value.data() || !std::isfinite(v.value) || v.value == 0) continue;
            fresh.m_dblStep = v.value;
            fresh.m_strStepUnit =
                std::string(Trim(std::string_view(v.end, value.data() + value.size() - v.end)));
            exactStep = true;
            stepSeconds = std::numeric_limits<double>::quiet_NaN();  // the time column is no curve
        }
        const auto timeLabel = [&] {
            return "\"" + layout.columns[static_cast<std::size_t>(timeColumn)].label + "\"";
        };
        bool timeIsCurve = false;
        if (timeColumn >= 0 && stepSeconds == 0 && !exactStep) {
            const csv_layout::Column& c = layout.columns[static_cast<std::size_t>(timeColumn)];
            double per = stamps || c.unit.empty() ? 1 : ColumnSecondsPer(c.unit);
            if (per == 0) {
                said.push_back("the time column " + timeLabel() +
                               " was taken to count seconds, as \"" + c.unit +
                               "\" is no unit of time known here");
                per = 1;
            } else if (c.unit.empty() && !stamps) {
                said.push_back("the time column " + timeLabel() +
                               " was taken to count seconds, as it names no unit");
            }
            if (!c.timeByName && !stamps)
                said.push_back("column " + timeLabel() +
                               " is evenly spaced and was taken as the time");
            // Evenly spaced as the layout judges it on the head (FormatCsvLayout.cpp), here
            // over every row.
            const std::size_t n = times.size();
            bool even = n >= 2;
            double median = 0, least = 0, most = 0;
            if (n >= 2) {
                std::vector<double> sample;
                for (std::size_t i = 1; i < n && sample.size() < 65536; ++i)
                    sample.push_back(times[i] - times[i - 1]);
                std::nth_element(sample.begin(),
                                 sample.begin() + static_cast<long>(sample.size() / 2),
                                 sample.end());
                median = sample[sample.size() / 2];
                least = most = times[1] - times[0];
                for (std::size_t i = 1; i < n; ++i) {
                    const double d = times[i] - times[i - 1];
                    least = std::min(least, d);
                    most = std::max(most, d);
                    even = even && csv_layout::EvenStep(times[i - 1], times[i], median,
                                                        halfUnits[i - 1], halfUnits[i]);
                    if (i % kCheckEvery == 0) checkpoint();
                }
            }
            if (even) {
                // The mean step, without what subtracting two large times in binary adds:
                // 1000.000 to 1000.002 in two steps is 1 ms, not 0.999999999976 ms.
                double step = (times[n - 1] - times[0]) / static_cast<double>(n - 1);
                const double doubt = 4 * std::numeric_limits<double>::epsilon() *
                                     std::max(std::fabs(times[0]), std::fabs(times[n - 1])) /
                                     static_cast<double>(n - 1);
                if (doubt > 0 && step > doubt) {
                    const double grain = std::pow(10.0, std::floor(std::log10(doubt)));
                    step = std::round(step / grain) * grain;
                }
                stepSeconds = step * per;
            }
            if (!even && n >= 2) {
                const std::string why =
                    fmt::format("its steps run from {:.6g} to {:.6g} {}",
                                Printed(least, halfUnits[0]), Printed(most, halfUnits[0]),
                                stamps           ? "s"
                                : c.unit.empty() ? "s"
                                                 : c.unit);
                if (stamps) {
                    said.push_back("the time stamps of " + timeLabel() +
                                   " are not evenly spaced (" + why + "); they were left out");
                } else {
                    timeIsCurve = true;
                    said.push_back("the time column " + timeLabel() + " is not evenly spaced (" +
                                   why + "), so it is shown as a curve");
                }
            }
            // One row: a time, but no step to take from it; the column's unit stays.
            if (n == 1 && !stamps) stepSeconds = per;
        }

        // The trace.
        if (timeIsCurve) {
            if (order.size() == CTraceData::MAX_CURVES) {
                leftOut.push_back("\"" + layout.columns[order.back()].label + "\"");
                order.pop_back();
                curves.pop_back();
            }
            order.insert(order.begin(), static_cast<std::size_t>(timeColumn));
            curves.insert(curves.begin(), std::move(timeFloats));
        }
        fresh.m_nCurveCount = static_cast<int>(order.size());
        fresh.m_nSampleCount = static_cast<int>(stored);
        for (int i = 0; i < fresh.m_nCurveCount; ++i) {
            const csv_layout::Column& c = layout.columns[order[static_cast<std::size_t>(i)]];
            fresh.m_strCurveName[i] = c.name;
            fresh.m_strCurveUnit[i] = c.unit;
            if (stored == 0) continue;
            fresh.m_pSamples[i] = std::move(curves[static_cast<std::size_t>(i)]);
            // The range of the finite values: infinities (1e400, "inf") would leave no scale
            // to draw, and a column without numbers gets none.
            const float* s = fresh.m_pSamples[i].Floats().get();
            float lo = std::numeric_limits<float>::infinity(), hi = -lo;
            for (long long at = 0; at < stored; at += kCheckEvery) {
                ExtremesInOrder<true>(s + at, s + at, std::min<long long>(kCheckEvery, stored - at),
                                      hi, lo);
                checkpoint();
            }
            fresh.m_fCurveBottom[i] = lo <= hi ? lo : 0.0f;
            fresh.m_fCurveTop[i] = lo <= hi ? hi : 0.0f;
        }
        if (!exactStep && stepSeconds > 0 && std::isfinite(stepSeconds)) {
            const timebase::Step step = timebase::StepOf(stepSeconds);
            fresh.m_dblStep = step.value;
            fresh.m_strStepUnit = step.unit;
        }
        // Preamble lines are header items; "Range N" (a curve's number, name or label) with
        // two numbers is that curve's display range.
        int items = 0, ranges = 0;
        for (std::size_t k = 0; k < layout.preamble.size(); ++k) {
            const auto& [key, value] = layout.preamble[k];
            if (exactStep && key == "Step") continue;
            if (key.rfind("Range ", 0) == 0) {
                const std::string label = key.substr(6);
                bool taken = false;
                for (int i = 0; i < fresh.m_nCurveCount && !taken; ++i) {
                    const csv_layout::Column& c =
                        layout.columns[order[static_cast<std::size_t>(i)]];
                    if (c.label != label && c.name != label && std::to_string(i) != label) continue;
                    double lo = 0, hi = 0, h = 0;
                    const std::size_t space = value.find(' ');
                    if (space != std::string::npos &&
                        csv_layout::ParseNumber(value.substr(0, space), false, lo, h) &&
                        csv_layout::ParseNumber(value.substr(space + 1), false, hi, h)) {
                        fresh.m_fCurveBottom[i] = numtext::NarrowToFloat(lo);
                        fresh.m_fCurveTop[i] = numtext::NarrowToFloat(hi);
                        taken = true;
                    }
                }
                if (taken) {
                    ++ranges;
                    continue;
                }
            }
            fresh.m_strHeaderText += header_items::Item(key, value);
            items += k < static_cast<std::size_t>(layout.preambleLines);
        }
        if (ranges > 0)
            said.insert(said.begin(), fmt::format("{} {} above the table gave display ranges",
                                                  ranges, ranges == 1 ? "line" : "lines"));
        if (items > 0)
            said.insert(said.begin(), fmt::format("{} {} above the table became header items",
                                                  items, items == 1 ? "line" : "lines"));

        if (!leftOut.empty())
            said.push_back(state.curves.empty()
                               ? fmt::format("a trace holds 8 curves at most: {} {} left out",
                                             Joined(leftOut, ", "),
                                             leftOut.size() == 1 ? "was" : "were")
                               : "the curves chosen leave out " + Joined(leftOut, ", "));
        if (extraCells > 0)
            said.push_back(fmt::format("{} {} past the table's {} columns {} dropped", extraCells,
                                       extraCells == 1 ? "cell" : "cells", width,
                                       extraCells == 1 ? "was" : "were"));
        if (badCells > 0)
            said.push_back(
                badCells == 1
                    ? std::string("1 cell was empty or not a number and read as NaN")
                    : fmt::format("{} cells were empty or not numbers and read as NaN", badCells));
        if (!said.empty()) {
            const std::string text = Joined(said, "; ") + ".";
            AfxNotice(name.empty() ? text : name + ": " + text);
        }
        return true;
    });
}

void csv_format::Write(CFile& file, const CTraceData& t, const CFormatState&) {
    CLineWriter out(file);
    const auto quoted = [](const std::string& cell) {
        if (cell.find_first_of(",;\t\"\r\n") == std::string::npos) return cell;
        std::string q = "\"";
        for (const char c : cell) q += c == '"' ? std::string("\"\"") : std::string(1, c);
        return q + "\"";
    };
    const auto named = [](const std::string& name, const std::string& unit) {
        return unit.empty() ? name : name + " [" + unit + "]";
    };
    char text[32];
    // Header items and display ranges first, as preamble lines the reader takes back.
    for (const auto& [key, value] : header_items::Split(t.m_strHeaderText)) {
        out.Append(quoted(key));
        out.Append(",");
        out.Append(quoted(value));
        out.EndLine();
    }
    if (t.m_nSampleCount < 2 || !(t.m_dblStep > 0)) {
        out.Append("Step,");
        out.Append(timebase::ExactText(t.m_dblStep));
        out.Append(",");
        out.Append(quoted(t.m_strStepUnit));
        out.EndLine();
    }
    // Without samples every curve is a name in the header; with them, the curves that have
    // samples (Loss says so first).
    const auto written = [&t](int i) { return t.m_nSampleCount == 0 || t.m_pSamples[i]; };
    for (int i = 0, k = 0; i < t.m_nCurveCount; ++i) {
        if (!t.m_pSamples[i]) continue;
        out.Append("Range " + std::to_string(k++));  // by number: names may be empty or alike
        out.Append(",");
        out.Append(float_text::RoundTripText(t.m_fCurveBottom[i], text));
        out.Append(",");
        out.Append(float_text::RoundTripText(t.m_fCurveTop[i], text));
        out.EndLine();
    }
    out.Append(quoted(named("time", t.m_strStepUnit)));
    for (int i = 0; i < t.m_nCurveCount; ++i) {
        if (!written(i)) continue;
        out.Append(",");
        out.Append(quoted(named(t.m_strCurveName[i], t.m_strCurveUnit[i])));
    }
    out.EndLine();
    for (int j = 0; j < t.m_nSampleCount; ++j) {
        out.Append(timebase::ExactText(t.SampleTime(j)));
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

std::string csv_format::Loss(const CTraceData& t, const CFormatState&) {
    if (t.m_nSampleCount == 0) return {};
    int empty = 0;
    for (int i = 0; i < t.m_nCurveCount; ++i) empty += !t.m_pSamples[i];
    if (empty == 0) return {};
    return fmt::format(
        "A CSV file holds curves with samples only; {} {} without samples will not be kept.", empty,
        empty == 1 ? "curve" : "curves");
}
