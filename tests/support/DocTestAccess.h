#pragma once
// What tests set in the document's view state that no named step sets: a clipboard count
// (no operation raises it) and a column count far beyond any trace a test can hold.

#include <cstdint>

#include "trace/document/Document.h"

struct CtesqDocTestAccess {
    static void SetClipCount(CtesqDoc& doc, int n) { doc.m_nClipCount = n; }
    static void SetDisplayLength(CtesqDoc& doc, std::int64_t n) { doc.m_nDisplayLength = n; }
};
