#pragma once
// The device context over a QPainter. Logical x is shifted by the view's scroll origin;
// logical y is device y.

#include <QColor>

#include "framework/core/DC.h"

class QPainter;

// A COLORREF (0x00BBGGRR) as Qt's colour.
QColor ToQColor(COLORREF c);

class CQtDC : public CDC {
public:
    // origin: the logical point shown at device (0, 0).
    CQtDC(QPainter& painter, CPoint origin);

    CPen SelectPen(const CPen& pen) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void Polyline(const CPoint* points, int count) override;
    void Polylines(const std::vector<CPolylineJob>& jobs) override;
    void FillSolidRect(const CRect& rect, COLORREF color) override;
    void TextOut(int x, int y, std::string_view text) override;
    void DrawText(std::string_view text, const CRect& rect, unsigned format) override;
    COLORREF SetTextColor(COLORREF color) override;
    COLORREF SetBkColor(COLORREF color) override;
    int SetBkMode(int mode) override;
    CPoint DPtoLP(CPoint device) const override {
        return {device.x + m_origin.x, device.y + m_origin.y};
    }

private:
    QPainter& m_painter;
    CPoint m_origin;
    CPoint m_at;
    CPen m_pen;
    COLORREF m_text = 0;
    COLORREF m_background = RGB(255, 255, 255);
    int m_mode = OPAQUE;
};
