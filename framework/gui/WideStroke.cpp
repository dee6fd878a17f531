#include "framework/gui/WideStroke.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

#include "framework/core/DC.h"

namespace {

// ---- The outline, as the stroker builds it in doubles -----------------------------------

struct Pt {
    double x, y;
    bool operator==(const Pt&) const = default;
};

bool FuzzyEqual(double a, double b) {
    return std::fabs(a - b) * 1000000000000. <= std::min(std::fabs(a), std::fabs(b));
}

struct Line {
    Pt p1, p2;

    double dx() const { return p2.x - p1.x; }
    double dy() const { return p2.y - p1.y; }
    Line NormalVector() const { return {p1, {p1.x + dy(), p1.y - dx()}}; }
    void SetLength(double len) {
        // hypot of an axis-aligned line is exactly its length: the common case costs nothing.
        const double old = dx() == 0   ? std::fabs(dy())
                           : dy() == 0 ? std::fabs(dx())
                                       : std::hypot(dx(), dy());
        if (old > 0) p2 = {p1.x + len * (dx() / old), p1.y + len * (dy() / old)};
    }
    void Translate(double tx, double ty) {
        p1 = {p1.x + tx, p1.y + ty};
        p2 = {p2.x + tx, p2.y + ty};
    }
    double Angle() const {
        const double theta = std::atan2(-dy(), dx()) * (180 / M_PI);
        const double normalized = theta < 0 ? theta + 360 : theta;
        return FuzzyEqual(normalized, 360) ? 0 : normalized;
    }
    double AngleTo(const Line& l) const {
        const double delta = l.Angle() - Angle();
        const double normalized = delta < 0 ? delta + 360 : delta;
        return FuzzyEqual(delta, 360) ? 0 : normalized;
    }
    // Whether the two segments cross within both.
    bool IntersectsWithin(const Line& l) const {
        const Pt a{p2.x - p1.x, p2.y - p1.y};
        const Pt b{l.p1.x - l.p2.x, l.p1.y - l.p2.y};
        const Pt c{p1.x - l.p1.x, p1.y - l.p1.y};
        const double denominator = a.y * b.x - a.x * b.y;
        if (denominator == 0 || !std::isfinite(denominator)) return false;
        const double reciprocal = 1 / denominator;
        const double na = (b.y * c.x - b.x * c.y) * reciprocal;
        if (na < 0 || na > 1) return false;
        const double nb = (a.x * c.y - a.y * c.x) * reciprocal;
        return !(nb < 0 || nb > 1);
    }
};

// Builds the closed contours of the stroke: each side offset by half the width, bevel
// joins (through the vertex on the inner side), flat caps.
class Outline {
public:
    void Stroke(const std::vector<Pt>& v, double halfWidth) {
        m_half = halfWidth;
        m_back1 = m_back2 = {0, 0};
        m_points.clear();
        m_starts.clear();
        m_points.reserve(6 * v.size());
        Line forwardStart{}, backwardStart{};
        const bool forwardClosed = Side(v.begin(), v.end(), false, forwardStart);
        const std::vector<Pt> reversed(v.rbegin(), v.rend());
        const bool backwardClosed =
            Side(reversed.begin(), reversed.end(), !forwardClosed, backwardStart);
        if (!backwardClosed) Join(v.front(), forwardStart);
    }

    // The contours' points one after another; each contour starts at one of m_starts.
    std::vector<Pt> m_points;
    std::vector<std::size_t> m_starts;

private:
    void MoveTo(Pt p) {
        m_back2 = m_back1;
        m_back1 = p;
        m_starts.push_back(m_points.size());
        m_points.push_back(p);
    }
    void LineTo(Pt p) {
        m_back2 = m_back1;
        m_back1 = p;
        m_points.push_back(p);
    }

    void Join(Pt focal, const Line& next) {
        if (FuzzyEqual(m_back1.x, next.p1.x) && FuzzyEqual(m_back1.y, next.p1.y)) return;
        const Line prev{m_back2, m_back1};
        // On the inner side (the offset lines cross, or turn back by more than a right angle)
        // the outline goes through the vertex.
        const auto turnsBack = [&] {
            // The angle from the short cut to the previous line, counterclockwise with y up,
            // is at most a right angle exactly when both the cross and the dot product are
            // not negative; only near those borders does it take the angles themselves.
            const Line shortCut{prev.p2, next.p1};
            const double sx = shortCut.dx(), sy = -shortCut.dy(), px = prev.dx(), py = -prev.dy();
            const double cross = sx * py - sy * px, dot = sx * px + sy * py;
            const double tolerance =
                1e-6 * (std::fabs(sx) + std::fabs(sy)) * (std::fabs(px) + std::fabs(py));
            if (cross > tolerance && dot > tolerance) return false;
            if (cross < -tolerance || dot < -tolerance) return true;
            // Exactly a right angle (a vertical line turning back): 90 degrees, or 270.
            if (dot == 0 && cross != 0) return cross < 0;
            const double angle = shortCut.AngleTo(prev);
            return angle > 90 && !FuzzyEqual(angle, 90);
        };
        if (prev.IntersectsWithin(next) || turnsBack()) LineTo(focal);
        LineTo(next.p1);
    }

    template <typename It>
    bool Side(It it, It end, bool capFirst, Line& startTangent) {
        const Pt start = *it;
        Pt prev = start;
        bool first = true;
        for (++it; it != end; ++it) {
            Line line{prev, *it};
            if (line.p1 == line.p2) continue;
            Line normal = line.NormalVector();
            normal.SetLength(m_half);
            line.Translate(normal.dx(), normal.dy());
            if (first) {
                if (capFirst)
                    Join(prev, line);
                else
                    MoveTo(line.p1);
                startTangent = line;
                first = false;
            } else {
                Join(prev, line);
            }
            LineTo(line.p2);
            prev = *it;
        }
        if (start == prev) {
            if (!first) Join(prev, startTangent);
            return true;
        }
        return false;
    }

    double m_half = 0;
    Pt m_back1{0, 0}, m_back2{0, 0};
};

// ---- Scan conversion, in the raster engine's fixed-point steps ---------------------------

struct Fixed26 {
    std::int64_t x, y;
};

std::int64_t To26Dot6(double v) {
    const double scaled = v * 64;
    return scaled >= 0.0 ? static_cast<std::int64_t>(scaled + 0.5)
                         : static_cast<std::int64_t>(scaled - 0.5);
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

// One edge's part in one pixel column: on rows top .. bottom the edge's crossing rounds to
// that column, and everything from it rightwards gains `winding`.
struct Event {
    int column;
    int top, bottom;
    int winding;
};

// An edge from a to b covers the rows whose centres lie in (upper y, lower y]; on each its
// crossing is x + 1/2 in 16.16, stepped by the 16.16 slope, and sets pixels from its integer
// part on.
void AddEdge(Fixed26 a, Fixed26 b, int lastRow, std::vector<Event>& events) {
    int winding = 1;
    if (a.y > b.y) {
        std::swap(a, b);
        winding = -1;
    }
    const std::int64_t iTop = std::max<std::int64_t>(0, (a.y + 32) >> 6);
    const std::int64_t iBottom = std::min<std::int64_t>(lastRow, (b.y - 32) >> 6);
    if (iTop > iBottom) return;
    const std::int64_t aFP = 32768 + a.x * 1024;
    std::int64_t xFP = aFP, slopeFP = 0;
    if (b.x != a.x) {
        const double slope = static_cast<double>(b.x - a.x) / static_cast<double>(b.y - a.y);
        slopeFP = static_cast<std::int64_t>(slope * 65536.);
        xFP = aFP + ((slopeFP * ((iTop << 16) + 32768 - a.y * 1024)) >> 16);
    }
    const std::int64_t rows = iBottom - iTop;
    for (std::int64_t t = 0; t <= rows;) {
        const std::int64_t column = (xFP + slopeFP * t) >> 16;
        std::int64_t last = rows;
        if (slopeFP > 0)
            last = std::min(rows, FloorDiv(((column + 1) << 16) - xFP - 1, slopeFP));
        else if (slopeFP < 0)
            last = std::min(rows, FloorDiv(xFP - (column << 16), -slopeFP));
        events.push_back({static_cast<int>(column), static_cast<int>(iTop + t),
                          static_cast<int>(iTop + last), winding});
        t = last + 1;
    }
}

}  // namespace

bool WideStrokeRuns(const CPoint* points, int count, double width, int originX, int lastRow,
                    std::vector<PixelRun>& runs) {
    for (int i = 1; i < count; ++i) {
        const int dx = points[i].x - points[i - 1].x;
        if (dx != 0 && dx != 1) return false;
    }
    if (count < 2) return true;
    // Kept from call to call: a paint strokes several curves of the same size.
    thread_local std::vector<Pt> vertices;
    thread_local Outline outline;
    thread_local std::vector<Event> events, sorted;
    vertices.clear();
    events.clear();
    for (int i = 0; i < count; ++i)
        vertices.push_back({static_cast<double>(points[i].x), static_cast<double>(points[i].y)});
    outline.Stroke(vertices, width / 2);

    const auto toDevice = [originX](Pt p) {
        return Fixed26{To26Dot6(p.x - originX), To26Dot6(p.y)};
    };
    const std::vector<Pt>& outlinePoints = outline.m_points;
    for (std::size_t c = 0; c < outline.m_starts.size(); ++c) {
        const std::size_t begin = outline.m_starts[c];
        const std::size_t end =
            c + 1 < outline.m_starts.size() ? outline.m_starts[c + 1] : outlinePoints.size();
        for (std::size_t k = begin; k < end; ++k)
            AddEdge(toDevice(outlinePoints[k]),
                    toDevice(outlinePoints[k + 1 < end ? k + 1 : begin]), lastRow, events);
    }
    if (events.empty()) return true;
    // Events by column, in one counting pass: every column lies near the polyline.
    int minColumn = events.front().column, maxColumn = minColumn;
    for (const Event& e : events) {
        minColumn = std::min(minColumn, e.column);
        maxColumn = std::max(maxColumn, e.column);
    }
    std::vector<int> firstOf(static_cast<std::size_t>(maxColumn - minColumn + 2), 0);
    for (const Event& e : events) ++firstOf[static_cast<std::size_t>(e.column - minColumn + 1)];
    for (std::size_t c = 1; c < firstOf.size(); ++c) firstOf[c] += firstOf[c - 1];
    sorted.resize(events.size());
    {
        std::vector<int> fill(firstOf.begin(), firstOf.end() - 1);
        for (const Event& e : events)
            sorted[static_cast<std::size_t>(
                fill[static_cast<std::size_t>(e.column - minColumn)]++)] = e;
    }

    // Sweeping the columns left to right, the winding of each row is the sum over the
    // crossings at or left of the column: kept as its changes from row to row, sorted by
    // row, which stay few because the winding is zero away from the stroke.
    thread_local std::vector<std::pair<int, int>> change;
    change.clear();
    const auto add = [](int row, int w) {
        const auto at = std::lower_bound(change.begin(), change.end(), std::pair{row, INT_MIN});
        if (at != change.end() && at->first == row) {
            if ((at->second += w) == 0) change.erase(at);
        } else {
            change.insert(at, {row, w});
        }
    };
    std::vector<std::pair<int, int>> current;  // the rows set in the column, as runs
    for (int column = minColumn; column <= maxColumn; ++column) {
        const int from = firstOf[static_cast<std::size_t>(column - minColumn)];
        const int to = firstOf[static_cast<std::size_t>(column - minColumn + 1)];
        if (from != to) {
            for (int k = from; k < to; ++k) {
                const Event& e = sorted[static_cast<std::size_t>(k)];
                add(e.top, e.winding);
                add(e.bottom + 1, -e.winding);
            }
            current.clear();
            int winding = 0, start = 0;
            for (const auto& [row, w] : change) {
                if (winding != 0 && row > start) current.emplace_back(start, row - 1);
                winding += w;
                start = row;
            }
        }
        // A column without crossings of its own is set as the one before it.
        if (column >= 0)
            for (const auto& [top, bottom] : current) runs.push_back({column, top, bottom});
    }
    return true;
}
