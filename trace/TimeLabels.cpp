// The time of a sample as the time grid and the read-out show it.

#include <fmt/format.h>

#include <cstdint>

#include "trace/Document.h"

std::string CtesqDoc::FormatTimeLabel(int nSample) const {
    // 64-bit, so that long traces with a small step never wrap to negative times.
    const std::int64_t v = static_cast<std::int64_t>(nSample) * m_nStep;
    if (m_strStepUnit == "us") return fmt::format("{:.2f}ms", static_cast<double>(v) / 1000.0);
    const std::int64_t h = v / 3600;
    const std::int64_t r = v - 3600 * h;
    const std::int64_t m = r / 60;
    const std::int64_t s = r - 60 * m;
    return h != 0 ? fmt::format("{}:{:02}:{:02}", h, m, s) : fmt::format("{:02}:{:02}", m, s);
}
