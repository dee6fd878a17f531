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

// What one paint covers: the visible columns and the bands they are drawn in.
struct Frame {
    const CtesqDoc& doc;
    const TraceDrawInputs& in;
    Bands bands;
    int first = 0;       // the first visible column
    int width = 0;       // the client's width
    int decimation = 1;  // samples a column
    VisibleEntries entries{};
    int count = 0;       // visible entries, 4 a column
    int columnsEnd = 0;  // the column after the last visible one
};

// Selection: a column is shaded when its first sample is the selection start or lies inside
// the selection, so an empty selection still shows one line. The shaded columns are one
// rectangle, which a vector picture shows solid (lines side by side show seams).
void DrawSelection(CDC& dc, const Frame& f) {
    const auto shaded = [&f](int c) {
        const long long s = static_cast<long long>(c) * f.decimation;
        return s == f.doc.SelStart() || (s > f.doc.SelStart() && s < f.doc.SelEnd());
    };
    for (int c = f.first; c < f.columnsEnd; ++c) {
        if (!shaded(c)) continue;
        int end = c + 1;
        while (end < f.columnsEnd && shaded(end)) ++end;
        dc.FillSolidRect({c, f.bands.plotTop, end, f.bands.plotBottom + 1}, kGrid);
        c = end;
    }
}

// A vertical line every 100 columns, its time above and below the plot; ten rows.
void DrawGrid(CDC& dc, const Frame& f) {
    const int pt = f.bands.plotTop, pb = f.bands.plotBottom;
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(kTimeLabel);
    for (long long g = FirstGridColumn(f.first); g < f.columnsEnd; g += 100) {
        const int c = static_cast<int>(g);
        dc.MoveTo(c, pt);
        dc.LineTo(c, pb);
        const std::string label = f.doc.FormatTimeLabel(c * f.decimation, 100LL * f.decimation);
        dc.TextOut(c, pt - 17, label);
        dc.TextOut(c, pb + 3, label);
    }
    for (int k = 0; k <= 10; ++k) {
        const int y = pt + (k * f.bands.height) / 10;
        dc.MoveTo(f.first, y);
        dc.LineTo(f.columnsEnd, y);
    }
}

// One curve's points over the visible columns, and where its lines end: a missing sample
// (NaN) is a gap, the line ends before it and starts again after.
void CurvePoints(const Frame& f, int i, std::vector<CPoint>& p, std::vector<int>& ends) {
    std::vector<float> display(static_cast<std::size_t>(f.count));
    f.doc.Display(i).Entries(f.entries.first / 4, f.count / 4, display.data());
    const float bottom = f.doc.Trace().m_fCurveBottom[i], top = f.doc.Trace().m_fCurveTop[i];
    const auto endLine = [&p, &ends] {
        if (ends.empty() ? !p.empty() : ends.back() < static_cast<int>(p.size()))
            ends.push_back(static_cast<int>(p.size()));
    };
    p.reserve(static_cast<std::size_t>(f.count));
    for (int j = 0; j < f.count; ++j) {
        const float v = display[static_cast<std::size_t>(j)];
        if (std::isnan(v))
            endLine();
        else
            p.push_back({f.first + j / 4, ValueToY(v, bottom, top, f.bands)});
    }
    endLine();
}

// The shown curves' points are made a curve at a time on two threads; then the polylines
// are drawn in curve order.
void DrawCurves(CDC& dc, const Frame& f) {
    std::vector<int> shown;
    for (int i = 0; i < f.doc.Trace().m_nCurveCount && f.count > 0; ++i)
        if (!f.doc.IsCurveHidden(i) && f.doc.Display(i)) shown.push_back(i);
    std::vector<std::vector<CPoint>> points(shown.size());
    std::vector<std::vector<int>> lineEnds(shown.size());
    ForEachOnTwoThreads(static_cast<int>(shown.size()), [&](int k) {
        const auto at = static_cast<std::size_t>(k);
        CurvePoints(f, shown[at], points[at], lineEnds[at]);
    });
    std::vector<CPolylineJob> lines;
    for (std::size_t k = 0; k < shown.size(); ++k) {
        const CPen pen{PS_SOLID, 2, f.in.curveColors[shown[k]]};
        for (int from = 0; const int end : lineEnds[k]) {
            lines.push_back({pen, points[k].data() + from, end - from});
            from = end;
        }
    }
    if (!lines.empty()) dc.Polylines(lines);
}

// Scales alternate left and right, 30 pixels further in for every curve, hidden or not.
void DrawScales(CDC& dc, const Frame& f) {
    const CTraceData& t = f.doc.Trace();
    for (int i = 0; i < t.m_nCurveCount; ++i) {
        if (f.doc.IsCurveHidden(i)) continue;
        const int x = i % 2 == 0 ? f.first + 30 * i : f.columnsEnd - 30 * i;
        dc.SetTextColor(f.in.curveColors[i]);
        dc.SetBkMode(OPAQUE);
        const float b = t.m_fCurveBottom[i], top = t.m_fCurveTop[i];
        for (int k = 1; k <= 9; ++k) {
            const float value = static_cast<float>(k) * (top - b) / 10.0f + b;
            dc.TextOut(x, f.bands.plotBottom - (k * f.bands.height) / 10 - 9,
                       fmt::format("{:.2f}", static_cast<double>(value)));
        }
    }
}

// The header text above the plot, the legend below it and the command being typed.
void DrawTexts(CDC& dc, const Frame& f) {
    const CTraceData& t = f.doc.Trace();
    const CRect& rc = f.in.client;
    dc.SetTextColor(kHeader);
    dc.DrawText(t.m_strHeaderText, {f.first, rc.top, f.first + f.width, f.bands.plotTop - 20},
                DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    for (int i = 0; i < t.m_nCurveCount; ++i) {
        const Cell cell = LegendCell(f.first, f.width, i, t.m_nCurveCount);
        dc.SetTextColor(f.doc.IsCurveHidden(i) ? kHiddenLegend : f.in.curveColors[i]);
        std::string text = t.m_strCurveName[i];
        if (!t.m_strCurveUnit[i].empty()) text += " " + t.m_strCurveUnit[i];
        dc.DrawText(text, {cell.left, f.bands.legendTop, cell.left + cell.width, rc.bottom},
                    DT_CENTER | DT_SINGLELINE);
    }
    if (!f.in.command.empty()) {
        dc.SetBkColor(RGB(255, 255, 255));
        dc.SetTextColor(RGB(0, 0, 0));
        dc.TextOut(f.first + 5, 5, f.in.command + "_");
    }
}

}  // namespace

void DrawTrace(CDC& dc, const CtesqDoc& doc, const TraceDrawInputs& in) {
    const CRect& rc = in.client;
    Frame f{doc, in, BandsOf(rc.top, rc.bottom)};
    f.width = rc.Width();
    f.first = std::max(0, dc.DPtoLP({0, 0}).x);
    f.decimation = std::max(doc.Decimation(), 1);
    f.entries = VisibleEntriesOf(f.first, f.width, doc.DisplayLength());
    f.count = static_cast<int>(std::max(f.entries.end - f.entries.first, 0LL));
    f.columnsEnd = static_cast<int>(f.entries.end / 4);

    const CPen previousPen = dc.SelectPen({PS_SOLID, 1, kGrid});
    DrawSelection(dc, f);
    DrawGrid(dc, f);
    DrawCurves(dc, f);
    DrawScales(dc, f);
    DrawTexts(dc, f);
    dc.SelectPen(previousPen);
}
