#include "view/rules/Interaction.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "framework/core/NumberText.h"
#include "trace/display/DisplayColumns.h"
#include "trace/document/Document.h"
#include "trace/model/CurveSamples.h"
#include "trace/model/TimeBase.h"

namespace interaction {

namespace {

constexpr float kThreshold = 2000.0f;
constexpr int kLookBack = 100;
constexpr float kInf = std::numeric_limits<float>::infinity();

// None of the up to 100 samples before m lies beyond the opposite threshold.
bool WindowPasses(const CCurveSamples& s, int m, bool negative) {
    for (int k = std::max(m - kLookBack, 0); k < m; ++k) {
        const float x = s[static_cast<std::size_t>(k)];
        if (negative ? x >= kThreshold : x <= -kThreshold) return false;
    }
    return true;
}

// The samples beyond the threshold, or back within it, through the blocks of the display
// columns where they are built: a trace of billions with no marker is passed over at once.
struct Finder {
    const CCurveSamples& s;
    const CDisplayColumns* columns;

    // The first (the last) of samples first .. end-1 below low or above high, or -1.
    std::int64_t Outside(std::int64_t first, std::int64_t end, float low, float high,
                         bool last) const {
        if (columns) return columns->FindOutside(first, end, low, high, last);
        const auto outside = [&](std::int64_t i) {
            const float x = s[static_cast<std::size_t>(i)];
            return x < low || x > high;
        };
        if (last) {
            for (std::int64_t i = end - 1; i >= first; --i)
                if (outside(i)) return i;
        } else {
            for (std::int64_t i = first; i < end; ++i)
                if (outside(i)) return i;
        }
        return -1;
    }
    std::int64_t Beyond(std::int64_t first, std::int64_t end, bool negative, bool last) const {
        return negative ? Outside(first, end, -kThreshold, kInf, last)
                        : Outside(first, end, -kInf, kThreshold, last);
    }
    std::int64_t Within(std::int64_t first, std::int64_t end, bool negative) const {
        return negative ? Outside(first, end, -kInf, -kThreshold, true)
                        : Outside(first, end, kThreshold, kInf, true);
    }
};

}  // namespace

int LegendColumn(int x, int left, int width, int count) {
    if (count < 1) return -1;
    const int w = width / count;
    return w == 0 ? -1 : (x - left) / w;
}

ClickResult SelectByClick(int column, int decimation, int sampleCount, int anchor) {
    const long long sample = static_cast<long long>(column) * decimation;
    const int s = static_cast<int>(std::min<long long>(sample, sampleCount));
    anchor = std::min(anchor, sampleCount);
    return {std::min(s, anchor), std::max(s, anchor), s};
}

std::optional<std::string> ReadOut(const CtesqDoc& doc, int column) {
    if (column < 0 || column >= doc.DisplayColumns()) return std::nullopt;
    std::string text = doc.FormatTimeLabel(static_cast<std::int64_t>(column) * doc.Decimation(),
                                           100LL * doc.Decimation());
    for (int i = 0; i < doc.Trace().m_nCurveCount; ++i) {
        if (!doc.Display(i))
            text += "  " + doc.Trace().m_strCurveName[i] + ":";
        else
            text += fmt::format(
                "  {}:{:.3f}{}", doc.Trace().m_strCurveName[i],
                static_cast<double>(doc.Display(i)[4 * static_cast<std::int64_t>(column)]),
                doc.Trace().m_strCurveUnit[i]);
    }
    return text;
}

namespace {

// The shown curve whose drawing at `column` (its extremes there) comes nearest to y; -1 for
// none.
int CurveNearest(const CtesqDoc& doc, int column, int y, const view_geometry::Bands& bands) {
    int nearest = -1, best = 0;
    for (int i = 0; i < doc.Trace().m_nCurveCount; ++i) {
        if (doc.IsCurveHidden(i) || !doc.Display(i) || column < 0 || column >= doc.DisplayColumns())
            continue;
        const float hi = doc.Display(i)[4 * static_cast<std::int64_t>(column) + 1];
        const float lo = doc.Display(i)[4 * static_cast<std::int64_t>(column) + 2];
        if (std::isnan(hi) || std::isnan(lo)) continue;
        const float bottom = doc.Trace().m_fCurveBottom[i], top = doc.Trace().m_fCurveTop[i];
        const int yHi = view_geometry::ValueToY(hi, bottom, top, bands);
        const int yLo = view_geometry::ValueToY(lo, bottom, top, bands);
        const int distance = std::max({0, std::min(yHi, yLo) - y, y - std::max(yHi, yLo)});
        if (nearest < 0 || distance < best) nearest = i, best = distance;
    }
    return nearest;
}

}  // namespace

std::string DragLabel(const CtesqDoc& doc, int column, int y, const view_geometry::Bands& bands) {
    const CTraceData& trace = doc.Trace();
    const int start = doc.SelStart(), end = doc.SelEnd();
    const double span = trace.Span(end - start);
    std::string text = "\u0394t " + timebase::ReadableText(span) + " " + trace.m_strStepUnit;
    if (const double seconds = span * timebase::SecondsPerWord(trace.m_strStepUnit); seconds > 0)
        text += "  1/\u0394t " + timebase::HertzText(1 / seconds);
    const int curve = CurveNearest(doc, column, y, bands);
    if (curve >= 0 && end > start && trace.m_pSamples[curve]) {
        const CCurveSamples& s = trace.m_pSamples[curve];
        const double delta = static_cast<double>(s[static_cast<std::size_t>(end - 1)]) -
                             static_cast<double>(s[static_cast<std::size_t>(start)]);
        text += fmt::format("  \u0394{} {:.6g} {}", trace.m_strCurveName[curve], delta,
                            trace.m_strCurveUnit[curve]);
    }
    return text;
}

std::string StatusLine(const CtesqDoc& doc, int clientX, int column, int position, int rangeEnd) {
    return fmt::format(
        "SCREEN.X={} @SHOW={}({}) @TESQ={}({}) SelLeft={} SelRight={} EXT={} pos={} max={} "
        "Clipboard={}",
        clientX, column, doc.DisplayColumns(), static_cast<long long>(column) * doc.Decimation(),
        doc.Trace().m_nSampleCount, doc.SelStart(), doc.SelEnd(), doc.Decimation(), position,
        rangeEnd, doc.ClipCount());
}

int LeftEdgeSample(int sampleCount, int position, int rangeEnd) {
    if (rangeEnd == 0) return 0;
    return numtext::ToIntSaturated(static_cast<double>(sampleCount) * position / rangeEnd);
}

std::optional<unsigned> FindNextMarker(const CCurveSamples& s, int count, int leftEdge,
                                       bool negative, const CDisplayColumns* columns) {
    if (!s) return std::nullopt;
    const Finder find{s, columns};
    for (std::int64_t i = static_cast<std::int64_t>(leftEdge) + 200;; ++i) {
        i = find.Beyond(i, count, negative, false);
        if (i < 0) return std::nullopt;
        if (WindowPasses(s, static_cast<int>(i), negative)) return static_cast<unsigned>(i - 100);
    }
}

std::optional<unsigned> FindPrevMarker(const CCurveSamples& s, int count, int leftEdge,
                                       bool negative, const CDisplayColumns* columns) {
    if (!s || count < 1) return std::nullopt;
    const Finder find{s, columns};
    // The scan never starts past the last sample.
    int q = std::min(leftEdge, count - 1);
    while (q > 0) {
        const auto h = static_cast<int>(find.Beyond(1, q + 1, negative, true));
        if (h < 1) break;
        auto j = static_cast<int>(find.Within(1, h + 1, negative));
        if (j < 1) j = h;
        if (WindowPasses(s, j, negative)) return static_cast<unsigned>(j < 100 ? j : j - 100);
        q = j - 100;
    }
    return 0u;
}

}  // namespace interaction
