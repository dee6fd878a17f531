#pragma once
// What the view paints, in order: selection shading, time grid and labels, value grid, one
// polyline per visible curve from its display columns, value scales, header text, legend and
// the echo of the typed command line. Stateless; changes nothing but the device context.

#include <string>

#include "framework/core/DC.h"

class CtesqDoc;

struct TraceDrawInputs {
    CRect client;                 // the client area, device pixels
    const COLORREF* curveColors;  // 8 entries
    std::string command;          // the command line typed into the view
};

void DrawTrace(CDC& dc, const CtesqDoc& doc, const TraceDrawInputs& in);
