// Time labels and the Edit commands.

#include <cstdint>

#include "Format.h"
#include "tesqDoc.h"

std::string CtesqDoc::FormatTimeLabel(int nSample) const {
    // 64-bit, so that long traces with a small step never wrap to negative times.
    const std::int64_t v = static_cast<std::int64_t>(nSample) * m_nStep;
    if (m_strStepUnit == "us") return Format("%.2fms", static_cast<double>(v) / 1000.0);
    const std::int64_t h = v / 3600;
    const std::int64_t r = v - 3600 * h;
    const std::int64_t m = r / 60;
    const std::int64_t s = r - 60 * m;
    return h != 0 ? Format("%d:%02d:%02d", h, m, s) : Format("%02d:%02d", m, s);
}

// Cut and Paste alike: nothing is cut or pasted (no clipboard is kept); the document becomes
// modified and the views centre the selection.
void CtesqDoc::OnEditCutPaste() {
    SetModifiedFlag(true);
    BuildDisplayCopies();
    UpdateAllViews(nullptr, HINT_SHOW_SELECTION);
}
