// Writing text traces: the whole trace as a file the reader opens to the same document, and
// the bare numeric columns for scripts.

#include <charconv>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "framework/core/File.h"
#include "framework/core/NumberText.h"
#include "trace/formats/FormatRegistry.h"
#include "trace/formats/io/FloatText.h"
#include "trace/formats/io/LineWriter.h"
#include "trace/model/TimeBase.h"
#include "trace/model/TraceData.h"

namespace {

// Header tokens on one line, as the reader cuts them: an empty token between two others is
// a run of 9 more separators (a run of k becomes ceil(k / 8) spaces); empty tokens at the end
// are the reader's default anyway.
std::string TokenLine(std::vector<std::string> tokens) {
    while (!tokens.empty() && tokens.back().empty()) tokens.pop_back();
    std::string line;
    int pendingEmpty = 0;
    for (std::size_t k = 0; k < tokens.size(); ++k) {
        if (k > 0 && tokens[k].empty()) {
            ++pendingEmpty;
            continue;
        }
        if (k > 0) line.append(static_cast<std::size_t>(8 * pendingEmpty + 1), ' ');
        pendingEmpty = 0;
        line += tokens[k];
    }
    return line;
}

// The header text holds each item as "key:value" and 8 spaces; DateTime's value is
// "date time" with the time's colons. Returns each item's tokens.
std::vector<std::vector<std::string>> HeaderItems(const std::string& text) {
    std::vector<std::vector<std::string>> items;
    constexpr std::string_view kGap = "        ";
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find(kGap, at);
        if (end == std::string::npos) end = text.size();
        const std::string item = text.substr(at, end - at);
        at = end + kGap.size();
        const std::size_t colon = item.find(':');
        std::vector<std::string> tokens{item.substr(0, colon)};
        const std::string value = colon == std::string::npos ? "" : item.substr(colon + 1);
        if (tokens[0] == "DateTime") {
            const std::size_t space = value.find(' ');
            tokens.push_back(value.substr(0, space));
            std::string rest = space == std::string::npos ? "" : value.substr(space + 1);
            for (std::size_t c; (c = rest.find(':')) != std::string::npos;) {
                tokens.push_back(rest.substr(0, c));
                rest.erase(0, c + 1);
            }
            tokens.push_back(rest);
        } else {
            tokens.push_back(value);
        }
        items.push_back(std::move(tokens));
    }
    return items;
}

}  // namespace

std::string text_format::OneToken(std::string text) {
    for (char& c : text)
        if (c == ' ' || c == '\t' || c == ',' || c == ';' || c == ':') c = '_';
    return text;
}

std::string text_format::Loss(const CTraceData& t, const CFormatState&) {
    std::vector<std::string> changed;
    for (int i = 0; i < t.m_nCurveCount; ++i)
        for (const std::string* text : {&t.m_strCurveName[i], &t.m_strCurveUnit[i]})
            if (OneToken(*text) != *text)
                changed.push_back("\"" + *text + "\" as \"" + OneToken(*text) + "\"");
    if (changed.empty()) return WithOriginLoss(t, {});
    std::string list;
    for (const std::string& c : changed) list += (list.empty() ? "" : ", ") + c;
    return WithOriginLoss(
        t,
        "A text trace separates names and units at spaces and , ; : so they are written with "
        "_ in their place: " +
            list + ".");
}

void text_format::Write(CFile& file, const CTraceData& t, const CFormatState&) {
    CLineWriter out(file);
    char text[32];
    out.Append("FileType QDL-RV");
    out.EndLine();
    // An empty item (a blank header line) stood before the first Curve line, where a blank
    // line does not end the header; items from a ninth Curve line stood after eight. Writing
    // the items up to the last empty one first and the rest after the Curve lines keeps both
    // in their places and every item in its order.
    auto items = HeaderItems(t.m_strHeaderText);
    // Without a curve the header runs to the end of the file, whose last line end reads back
    // as one empty item: that one is not written, or each save would add another.
    if (t.m_nCurveCount == 0 && !items.empty() && TokenLine(items.back()).empty()) items.pop_back();
    std::size_t before = 0;
    for (std::size_t k = 0; k < items.size(); ++k)
        if (items[k][0].empty()) before = k + 1;
    for (std::size_t k = 0; k < before; ++k) {
        out.Append(TokenLine(items[k]));
        out.EndLine();
    }
    for (int i = 0; i < t.m_nCurveCount; ++i) {
        const std::string bottom(float_text::RoundTripText(t.m_fCurveBottom[i], text));
        const std::string top(float_text::RoundTripText(t.m_fCurveTop[i], text));
        out.Append(TokenLine(
            {"Curve", OneToken(t.m_strCurveName[i]), OneToken(t.m_strCurveUnit[i]), bottom, top}));
        out.EndLine();
    }
    out.Append(TokenLine({"Step", timebase::ExactText(t.m_dblStep), t.m_strStepUnit}));
    out.EndLine();
    for (std::size_t k = before; k < items.size(); ++k) {
        out.Append(TokenLine(items[k]));
        out.EndLine();
    }
    // Without a curve an empty line would be read as one more header item, and there are
    // no rows to follow.
    if (t.m_nCurveCount > 0) out.EndLine();
    for (int j = 0; j < t.m_nSampleCount; ++j) {
        for (int i = 0; i < CTraceData::MAX_CURVES; ++i) {
            if (!t.m_pSamples[i]) continue;
            out.Append(
                float_text::RoundTripText(t.m_pSamples[i][static_cast<std::size_t>(j)], text));
            out.Append(" ");
        }
        out.EndLine();
    }
    out.Flush();
}

void text_format::WriteColumns(CFile& file, const CTraceData& t) {
    CLineWriter out(file);
    char text[32];
    for (int j = 0; j < t.m_nSampleCount; ++j) {
        for (int i = 0; i < CTraceData::MAX_CURVES; ++i) {
            if (!t.m_pSamples[i]) continue;
            out.Append(float_text::General(t.m_pSamples[i][static_cast<std::size_t>(j)], 6, text));
            out.Append(" ");
        }
        out.EndLine();
    }
    out.Flush();
}
