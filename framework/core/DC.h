#pragma once
// The drawing operations of the framework's device context, as an interface: a QPainter in
// the window and in `tesqv-cli render`, a recorder in tests. Coordinates are logical; the
// context maps them to the device (the view's horizontal scroll offset).

#include <cstdint>
#include <string_view>
#include <vector>

using COLORREF = std::uint32_t;  // 0x00BBGGRR

constexpr COLORREF RGB(unsigned r, unsigned g, unsigned b) {
    return static_cast<COLORREF>((r & 0xFF) | (g & 0xFF) << 8 | (b & 0xFF) << 16);
}

struct CPoint {
    int x = 0;
    int y = 0;
    bool operator==(const CPoint&) const = default;
};

struct CRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    bool operator==(const CRect&) const = default;
};

enum BackgroundMode { TRANSPARENT = 1, OPAQUE = 2 };

// Text alignment flags of DrawText.
enum : unsigned { DT_CENTER = 0x1, DT_VCENTER = 0x4, DT_SINGLELINE = 0x20 };

enum PenStyle { PS_SOLID = 0 };

struct CPen {
    int style = PS_SOLID;
    int width = 1;
    COLORREF color = 0;
    bool operator==(const CPen&) const = default;
};

// One polyline of a batch: its pen and its points.
struct CPolylineJob {
    CPen pen;
    const CPoint* points = nullptr;
    int count = 0;
};

class CDC {
public:
    virtual ~CDC() = default;

    // Returns the pen that was selected before.
    virtual CPen SelectPen(const CPen& pen) = 0;
    virtual void MoveTo(int x, int y) = 0;
    virtual void LineTo(int x, int y) = 0;
    virtual void Polyline(const CPoint* points, int count) = 0;
    // Each polyline with its pen, in order, as SelectPen and Polyline would draw them; the
    // last pen stays selected. A device context may work on several at once.
    virtual void Polylines(const std::vector<CPolylineJob>& jobs) {
        for (const CPolylineJob& job : jobs) {
            SelectPen(job.pen);
            Polyline(job.points, job.count);
        }
    }
    // Fills left .. right - 1 by top .. bottom - 1 (logical) with the colour; no outline.
    virtual void FillSolidRect(const CRect& rect, COLORREF color) = 0;
    // The point becomes the text's top-left corner.
    virtual void TextOut(int x, int y, std::string_view text) = 0;
    virtual void DrawText(std::string_view text, const CRect& rect, unsigned format) = 0;
    // Each returns the previous setting.
    virtual COLORREF SetTextColor(COLORREF color) = 0;
    virtual COLORREF SetBkColor(COLORREF color) = 0;
    virtual int SetBkMode(int mode) = 0;
    // Device point to logical point.
    virtual CPoint DPtoLP(CPoint device) const = 0;
};
