// CSV and TSV traces as instruments, loggers and sensor apps write them: the layout is made
// out from the file's head (FormatCsvLayout.h), then the body is read at full speed, plain
// rows in place, into the sample arrays (CsvBody.h). What was guessed or dropped is said in
// one notice.

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
#include "trace/formats/csv/CsvBody.h"
#include "trace/formats/csv/CsvRecords.h"
#include "trace/formats/csv/CsvTimeColumn.h"
#include "trace/formats/csv/FormatCsvLayout.h"
#include "trace/formats/io/FloatText.h"
#include "trace/formats/io/LineReader.h"
#include "trace/formats/io/LineWriter.h"
#include "trace/model/Extremes.h"
#include "trace/model/HeaderItems.h"
#include "trace/model/TimeBase.h"
#include "trace/model/TraceData.h"

namespace {

using csv_layout::Column;
using csv_layout::Layout;
using csv_layout::Role;

constexpr long long kCheckEvery = 1 << 22;

// The layout, made out from the file's first 64 KiB; from a longer head when they hold no
// rows of numbers (a long preamble), refused when even kLongestHead holds none.
Layout LayoutOf(CFile& file) {
    for (std::size_t bytes = csv_layout::kHeadBytes;; bytes *= 4) {
        file.SeekToBegin();
        std::string head(bytes, '\0');
        std::size_t got = 0;
        while (got < head.size()) {
            const std::size_t n = file.Read(head.data() + got, head.size() - got);
            if (n == 0) break;
            got += n;
        }
        head.resize(got);
        const bool whole = got < bytes;
        Layout layout = csv_layout::Detect(head, whole);
        if (layout.sawData || whole || !layout.refusal.empty()) return layout;
        if (bytes >= csv_layout::kLongestHead) {
            layout.refusal = fmt::format("its first {} MiB hold no rows of numbers",
                                         csv_layout::kLongestHead >> 20);
            return layout;
        }
    }
}

// Which of the curve columns become curves: the ones `wanted` names (a name, a column's
// label or its 0-based number in the file), else the first eight. False, after a message,
// when `wanted` names a column the file does not have.
bool ChooseCurves(Layout& layout, const std::vector<std::string>& wanted, const std::string& file,
                  std::vector<std::size_t>& chosen, std::vector<std::string>& leftOut) {
    std::vector<std::size_t> curves;
    for (std::size_t j = 0; j < layout.columns.size(); ++j)
        if (layout.columns[j].role == Role::curve) curves.push_back(j);
    for (const std::string& want : wanted) {
        int number = -1;
        const bool numeric =
            !want.empty() && want.find_first_not_of("0123456789") == std::string::npos;
        if (numeric) number = numtext::ParseInt(want);
        const auto it = std::find_if(curves.begin(), curves.end(), [&](std::size_t j) {
            const Column& c = layout.columns[j];
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

// The data rows, counted; false after a message when they are more than a trace holds.
bool CountRows(CFile& file, const Layout& layout, long long& rows) {
    std::int64_t record = 0;
    bool tooMany = false;
    csv_layout::ForEachRecord(file, layout.crOnly, [&](std::string_view, std::size_t, bool) {
        if (record++ < layout.dataRecord) return;
        if (rows == INT_MAX)
            tooMany = true;
        else
            ++rows;
    });
    if (tooMany) AfxMessageBox(MSG_TOO_MANY_SAMPLES);
    return !tooMany;
}

// A "Step" line (value and unit) is the step exactly as a save of ours wrote it, for the
// traces whose time column cannot carry it: negative, or fewer than two rows.
bool TakeExactStep(const Layout& layout, CTraceData& fresh) {
    bool exact = false;
    for (const auto& [key, value] : layout.preamble) {
        if (key != "Step") continue;
        const numtext::ScanResult v = numtext::ScanReal(value.data(), value.data() + value.size());
        if (v.end == value.data() || !std::isfinite(v.value) || v.value == 0) continue;
        fresh.m_dblStep = v.value;
        fresh.m_strStepUnit = std::string(
            csv_layout::Trim(std::string_view(v.end, value.data() + value.size() - v.end)));
        exact = true;
    }
    return exact;
}

// The curves, in `order`, with their samples and the range of their finite values
// (infinities, 1e400 or "inf", would leave no scale to draw; a column without numbers gets
// none).
void MakeCurves(const Layout& layout, const std::vector<std::size_t>& order,
                std::vector<CFloatArray>& arrays, long long stored, CTraceData& fresh,
                const std::function<void()>& checkpoint) {
    fresh.m_nCurveCount = static_cast<int>(order.size());
    fresh.m_nSampleCount = static_cast<int>(stored);
    for (int i = 0; i < fresh.m_nCurveCount; ++i) {
        const Column& c = layout.columns[order[static_cast<std::size_t>(i)]];
        fresh.m_strCurveName[i] = c.name;
        fresh.m_strCurveUnit[i] = c.unit;
        if (stored == 0) continue;
        fresh.m_pSamples[i] = std::move(arrays[static_cast<std::size_t>(i)]);
        const float* s = fresh.m_pSamples[i].Floats().get();
        float lo = std::numeric_limits<float>::infinity(), hi = -lo;
        for (long long at = 0; at < stored; at += kCheckEvery) {
            ExtremesInOrder<true>(s + at, s + at, std::min<long long>(kCheckEvery, stored - at), hi,
                                  lo);
            checkpoint();
        }
        fresh.m_fCurveBottom[i] = lo <= hi ? lo : 0.0f;
        fresh.m_fCurveTop[i] = lo <= hi ? hi : 0.0f;
    }
}

// "Range N" (a curve's number, name or label) with two numbers: that curve's display range.
bool TakeRange(const Layout& layout, const std::vector<std::size_t>& order, const std::string& key,
               const std::string& value, CTraceData& fresh) {
    if (key.rfind("Range ", 0) != 0) return false;
    const std::string label = key.substr(6);
    for (int i = 0; i < fresh.m_nCurveCount; ++i) {
        const Column& c = layout.columns[order[static_cast<std::size_t>(i)]];
        if (c.label != label && c.name != label && std::to_string(i) != label) continue;
        double lo = 0, hi = 0, h = 0;
        const std::size_t space = value.find(' ');
        if (space != std::string::npos &&
            csv_layout::ParseNumber(value.substr(0, space), false, lo, h) &&
            csv_layout::ParseNumber(value.substr(space + 1), false, hi, h)) {
            fresh.m_fCurveBottom[i] = numtext::NarrowToFloat(lo);
            fresh.m_fCurveTop[i] = numtext::NarrowToFloat(hi);
            return true;
        }
    }
    return false;
}

// Preamble lines are header items, but for display ranges and the exact step.
void TakePreamble(const Layout& layout, const std::vector<std::size_t>& order, bool exactStep,
                  CTraceData& fresh, std::vector<std::string>& said) {
    int items = 0, ranges = 0;
    for (std::size_t k = 0; k < layout.preamble.size(); ++k) {
        const auto& [key, value] = layout.preamble[k];
        if (exactStep && key == "Step") continue;
        if (TakeRange(layout, order, key, value, fresh)) {
            ++ranges;
            continue;
        }
        fresh.m_strHeaderText += header_items::Item(key, value);
        items += k < static_cast<std::size_t>(layout.preambleLines);
    }
    if (ranges > 0)
        said.insert(said.begin(), fmt::format("{} {} above the table gave display ranges", ranges,
                                              ranges == 1 ? "line" : "lines"));
    if (items > 0)
        said.insert(said.begin(), fmt::format("{} {} above the table became header items", items,
                                              items == 1 ? "line" : "lines"));
}

std::string Joined(const std::vector<std::string>& items, std::string_view glue) {
    std::string out;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) out += glue;
        out += items[i];
    }
    return out;
}

// What was dropped on the way: columns left out, cells past the table, cells that are no
// numbers.
void SayWhatWasDropped(const std::vector<std::string>& leftOut, bool chosen, const CCsvBody& body,
                       std::size_t width, std::vector<std::string>& said) {
    if (!leftOut.empty())
        said.push_back(!chosen ? fmt::format("a trace holds 8 curves at most: {} {} left out",
                                             Joined(leftOut, ", "),
                                             leftOut.size() == 1 ? "was" : "were")
                               : "the curves chosen leave out " + Joined(leftOut, ", "));
    if (const long long extra = body.ExtraCells(); extra > 0)
        said.push_back(fmt::format("{} {} past the table's {} columns {} dropped", extra,
                                   extra == 1 ? "cell" : "cells", width,
                                   extra == 1 ? "was" : "were"));
    if (const long long bad = body.BadCells(); bad > 0)
        said.push_back(
            bad == 1 ? std::string("1 cell was empty or not a number and read as NaN")
                     : fmt::format("{} cells were empty or not numbers and read as NaN", bad));
}

void SayStrayQuotes(const csv_layout::CRecordJoiner& joined, std::vector<std::string>& said) {
    const long long stray = joined.StrayQuotes();
    const std::size_t within = csv_layout::CRecordJoiner::kQuotedLines;
    if (stray == 1)
        said.push_back(
            fmt::format("the double quote on line {} opens no quoted cell (nothing "
                        "closes it within {} lines) and was read as no quote",
                        joined.FirstStrayLine(), within));
    else if (stray > 1)
        said.push_back(
            fmt::format("{} double quotes open no quoted cell (nothing closes them "
                        "within {} lines; the first is on line {}) and were read as "
                        "no quotes",
                        stray, within, joined.FirstStrayLine()));
}

// The body of a read whose layout and curves are known: both passes, the time base, the
// trace and the notice.
bool ReadBody(CFile& file, Layout& layout, std::vector<std::size_t>& order,
              std::vector<std::string>& leftOut, bool chosen, const std::string& name,
              CTraceData& fresh) {
    long long rows = 0;
    if (!CountRows(file, layout, rows)) return false;
    CCsvBody body(layout, order, rows);
    std::int64_t record = 0;
    const csv_layout::CRecordJoiner joined = csv_layout::ForEachRecord(
        file, layout.crOnly, [&](std::string_view line, std::size_t readable, bool quoted) {
            if (record++ >= layout.dataRecord) body.Store(line, readable, quoted);
        });
    // The work after the reading goes in pieces too, so that a cancel is heard between.
    const auto checkpoint = [&file] {
        if (file.m_onRead) file.m_onRead(0);
    };
    // The time base: stated by the file, else from the time column when it is even.
    std::vector<std::string> said = layout.guesses;
    const bool exactStep = TakeExactStep(layout, fresh);
    double stepSeconds = layout.statedStep;
    csv_layout::TimeColumnStep fromColumn;
    if (body.TimeColumn() >= 0 && stepSeconds == 0 && !exactStep) {
        fromColumn = csv_layout::StepOfTimeColumn(layout, body, said);
        stepSeconds = fromColumn.seconds;
    }
    // Curves named by --curves are those curves, exactly: an uneven time column is one only
    // when no list was given.
    if (fromColumn.shownAsCurve && chosen)
        said.back() = "the time column \"" +
                      layout.columns[static_cast<std::size_t>(body.TimeColumn())].label +
                      "\" is not evenly spaced and not among the curves chosen";
    if (fromColumn.shownAsCurve && !chosen) {
        if (order.size() == CTraceData::MAX_CURVES) {
            leftOut.push_back("\"" + layout.columns[order.back()].label + "\"");
            order.pop_back();
            body.m_curves.pop_back();
        }
        order.insert(order.begin(), static_cast<std::size_t>(body.TimeColumn()));
        body.m_curves.insert(body.m_curves.begin(), std::move(body.m_timeFloats));
    }
    MakeCurves(layout, order, body.m_curves, body.Stored(), fresh, checkpoint);
    if (!exactStep && stepSeconds > 0 && std::isfinite(stepSeconds)) {
        const timebase::Step step = timebase::StepOf(stepSeconds);
        fresh.m_dblStep = step.value;
        fresh.m_strStepUnit = step.unit;
        fresh.m_strStepSource = layout.statedStep > 0 ? layout.statedStepSource : fromColumn.source;
    } else if (!exactStep && body.Stored() >= 2) {
        // Never a step of 1 s without a word.
        said.push_back("no time step found; samples are 1 s apart");
        fresh.m_strStepSource = "none: no time step found";
    }
    if (exactStep) fresh.m_strStepSource = "its Step line";
    if (body.Stored() == 0) said.push_back("it holds no samples");
    fresh.m_dblOrigin = csv_layout::OriginOf(layout, body, fromColumn, fresh.m_strStepUnit);
    if (fresh.m_dblOrigin != 0) {
        // In the unit that reads best for it: -2.5 s, not -2500000 us.
        const timebase::Step at =
            timebase::StepOf(fresh.m_dblOrigin * timebase::SecondsPer(fresh.m_strStepUnit));
        said.push_back("the first sample is at " + timebase::ReadableText(at.value) + " " +
                       at.unit + ", as the time column says");
    }
    TakePreamble(layout, order, exactStep, fresh, said);
    if (const std::string start = csv_layout::StartOf(layout, body); !start.empty())
        fresh.m_strHeaderText += header_items::Item("Start time", start);
    SayStrayQuotes(joined, said);
    SayWhatWasDropped(leftOut, chosen, body, layout.columns.size(), said);
    if (!said.empty()) {
        const std::string text = Joined(said, "; ") + ".";
        AfxNotice(name.empty() ? text : name + ": " + text);
    }
    return true;
}

}  // namespace

std::vector<std::string> csv_format::Columns(CFile& file) {
    const Layout layout = LayoutOf(file);
    std::vector<std::string> labels;
    for (const Column& c : layout.columns)
        if (c.role == Role::curve) labels.push_back(c.label);
    return labels;
}

bool csv_format::Read(CFile& file, CTraceData& fresh, CFormatState& state) {
    const std::string path = file.GetFilePath();
    const std::string name =
        path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
    return ReportingReadFailures(file, [&] {
        Layout layout = LayoutOf(file);
        if (!layout.refusal.empty()) {
            AfxMessageBox((name.empty() ? std::string("The file") : name) +
                          " could not be read as a table: " + layout.refusal + ".");
            return false;
        }
        std::vector<std::string> leftOut;
        std::vector<std::size_t> order;  // the curve columns, in the order they become curves
        if (!ChooseCurves(layout, state.curves, name.empty() ? "The file" : name, order, leftOut))
            return false;
        return ReadBody(file, layout, order, leftOut, !state.curves.empty(), name, fresh);
    });
}

void csv_format::Write(CFile& file, const CTraceData& t, const CFormatState&) {
    CLineWriter out(file);
    const auto named = [](const std::string& name, const std::string& unit) {
        return unit.empty() ? name : name + " [" + unit + "]";
    };
    char text[32];
    // Header items and display ranges first, as preamble lines the reader takes back. An item
    // without a key, or whose key is a number, would read as a row of data: the Step line then
    // says the file is ours, and the reader finds the table by its time column's name.
    const auto items = header_items::Split(t.m_strHeaderText);
    const auto number = [](const std::string& cell) {
        double v = 0, h = 0;
        return csv_layout::ParseNumber(cell, false, v, h) || csv_layout::ParseTimestamp(cell, v, h);
    };
    // So would a curve named by a number make the names row read as one.
    bool looksLikeData = false;
    for (int i = 0; i < t.m_nCurveCount; ++i)
        looksLikeData = looksLikeData || number(t.m_strCurveName[i]);
    for (const auto& [key, value] : items) {
        looksLikeData = looksLikeData || key.empty() || number(key);
        out.Append(csv_layout::QuotedCell(key));
        out.Append(",");
        out.Append(csv_layout::QuotedCell(value));
        out.EndLine();
    }
    if (t.m_nSampleCount < 2 || !(t.m_dblStep > 0) || looksLikeData) {
        out.Append("Step,");
        out.Append(timebase::ExactText(t.m_dblStep));
        out.Append(",");
        out.Append(csv_layout::QuotedCell(t.m_strStepUnit));
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
    // The times count the step's unit when it is one of the five; any other unit text counts
    // seconds in a trace, and says so here, so that "min" is not read back as minutes.
    const bool timeUnit = t.m_strStepUnit == "ps" || t.m_strStepUnit == "ns" ||
                          t.m_strStepUnit == "us" || t.m_strStepUnit == "ms";
    out.Append(
        csv_layout::QuotedCell(named("time", timeUnit ? t.m_strStepUnit : std::string(1, 's'))));
    // A curve without a name is named as a reader names its column: an empty last name with
    // empty (NaN) cells under it would be no column at all.
    for (int i = 0, column = 1; i < t.m_nCurveCount; ++i) {
        if (!written(i)) continue;
        out.Append(",");
        const std::string& name = t.m_strCurveName[i];
        out.Append(csv_layout::QuotedCell(
            named(name.empty() ? fmt::format("column {}", column) : name, t.m_strCurveUnit[i])));
        ++column;
    }
    out.EndLine();
    for (int j = 0; j < t.m_nSampleCount; ++j) {
        out.Append(timebase::SampleTimeText(t.m_dblOrigin, t.m_dblStep, j));
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
