#include "view/rules/TraceDraw.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "framework/core/NumberText.h"
#include "framework/core/TwoThreads.h"
#include "trace/document/Document.h"
#include "view/rules/ViewGeometry.h"

using namespace view_geometry;

namespace {

constexpr COLORREF kGrid = RGB(221, 221, 221);
constexpr COLORREF kTimeLabel = RGB(136, 136, 187);
constexpr COLORREF kHiddenLegend = RGB(220, 220, 220);
constexpr COLORREF kHeader = RGB(40, 40, 40);

}  // namespace

void DrawTrace(CDC& dc, const CtesqDoc& doc, const TraceDrawInputs& in) {
    const CRect& rc = in.client;
    const int width = rc.Width();
    const Bands bands = BandsOf(rc.top, rc.bottom);
    const int pt = bands.plotTop, pb = bands.plotBottom, h = bands.height;
    const int first = std::max(0, dc.DPtoLP({0, 0}).x);
    const int decimation = std::max(doc.Decimation(), 1);
    const VisibleEntries entries = VisibleEntriesOf(first, width, doc.DisplayLength());
    const int count = static_cast<int>(std::max(entries.end - entries.first, 0LL));
    const int columnsEnd = static_cast<int>(entries.end / 4);

    const CPen previousPen = dc.SelectPen({PS_SOLID, 1, kGrid});

    // Selection: a column is shaded when its first sample is the selection start or lies
    // inside the selection, so an empty selection still shows one line. The shaded columns
    // are one rectangle, which a vector picture shows solid (lines side by side show seams).
    const auto shaded = [&doc, decimation](int c) {
        const long long s = static_cast<long long>(c) * decimation;
        return s == doc.SelStart() || (s > doc.SelStart() && s < doc.SelEnd());
    };
    for (int c = first; c < columnsEnd; ++c) {
        if (!shaded(c)) continue;
        int end = c + 1;
        while (end < columnsEnd && shaded(end)) ++end;
        dc.FillSolidRect({c, pt, end, pb + 1}, kGrid);
        c = end;
    }

    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(kTimeLabel);
    for (long long g = FirstGridColumn(first); g < columnsEnd; g += 100) {
        const int c = static_cast<int>(g);
        dc.MoveTo(c, pt);
        dc.LineTo(c, pb);
        const std::string label = doc.FormatTimeLabel(c * decimation, 100LL * decimation);
        dc.TextOut(c, pt - 17, label);
        dc.TextOut(c, pb + 3, label);
    }
    for (int k = 0; k <= 10; ++k) {
        const int y = pt + (k * h) / 10;
        dc.MoveTo(first, y);
        dc.LineTo(columnsEnd, y);
    }

    // The visible columns' entries are made now, and the curves' points from them, a curve
    // at a time on two threads; then the polylines are drawn in curve order.
    std::vector<int> shown;
    for (int i = 0; i < doc.Trace().m_nCurveCount && count > 0; ++i)
        if (!doc.IsCurveHidden(i) && doc.Display(i)) shown.push_back(i);
    std::vector<std::vector<CPoint>> points(shown.size());
    // Where each curve's lines end: a missing sample (NaN) is a gap, the line ends before it
    // and starts again after.
    std::vector<std::vector<int>> lineEnds(shown.size());
    ForEachOnTwoThreads(static_cast<int>(shown.size()), [&](int k) {
        const int i = shown[static_cast<std::size_t>(k)];
        std::vector<float> display(static_cast<std::size_t>(count));
        doc.Display(i).Entries(entries.first / 4, count / 4, display.data());
        std::vector<CPoint>& p = points[static_cast<std::size_t>(k)];
        std::vector<int>& ends = lineEnds[static_cast<std::size_t>(k)];
        p.reserve(static_cast<std::size_t>(count));
        for (int j = 0; j < count; ++j) {
            const float v = display[static_cast<std::size_t>(j)];
            if (std::isnan(v)) {
                if (ends.empty() ? !p.empty() : ends.back() < static_cast<int>(p.size()))
                    ends.push_back(static_cast<int>(p.size()));
                continue;
            }
            p.push_back({first + j / 4, ValueToY(v, doc.Trace().m_fCurveBottom[i],
                                                 doc.Trace().m_fCurveTop[i], bands)});
        }
        if (ends.empty() ? !p.empty() : ends.back() < static_cast<int>(p.size()))
            ends.push_back(static_cast<int>(p.size()));
    });
    std::vector<CPolylineJob> lines;
    for (std::size_t k = 0; k < shown.size(); ++k) {
        const CPen pen{PS_SOLID, 2, in.curveColors[shown[k]]};
        for (int from = 0; const int end : lineEnds[k]) {
            lines.push_back({pen, points[k].data() + from, end - from});
            from = end;
        }
    }
    if (!lines.empty()) dc.Polylines(lines);

    // Scales alternate left and right, 30 pixels further in for every curve, hidden or not.
    for (int i = 0; i < doc.Trace().m_nCurveCount; ++i) {
        if (doc.IsCurveHidden(i)) continue;
        const int x = i % 2 == 0 ? first + 30 * i : columnsEnd - 30 * i;
        dc.SetTextColor(in.curveColors[i]);
        dc.SetBkMode(OPAQUE);
        const float b = doc.Trace().m_fCurveBottom[i], t = doc.Trace().m_fCurveTop[i];
        for (int k = 1; k <= 9; ++k) {
            const float value = static_cast<float>(k) * (t - b) / 10.0f + b;
            dc.TextOut(x, pb - (k * h) / 10 - 9, fmt::format("{:.2f}", static_cast<double>(value)));
        }
    }

    dc.SetTextColor(kHeader);
    dc.DrawText(doc.Trace().m_strHeaderText, {first, rc.top, first + width, pt - 20},
                DT_CENTER | DT_VCENTER | DT_SINGLELINE);

    for (int i = 0; i < doc.Trace().m_nCurveCount; ++i) {
        const Cell cell = LegendCell(first, width, i, doc.Trace().m_nCurveCount);
        dc.SetTextColor(doc.IsCurveHidden(i) ? kHiddenLegend : in.curveColors[i]);
        std::string text = doc.Trace().m_strCurveName[i];
        if (!doc.Trace().m_strCurveUnit[i].empty()) text += " " + doc.Trace().m_strCurveUnit[i];
        dc.DrawText(text, {cell.left, bands.legendTop, cell.left + cell.width, rc.bottom},
                    DT_CENTER | DT_SINGLELINE);
    }

    if (!in.command.empty()) {
        dc.SetBkColor(RGB(255, 255, 255));
        dc.SetTextColor(RGB(0, 0, 0));
        dc.TextOut(first + 5, 5, in.command + "_");
    }

    dc.SelectPen(previousPen);
}
