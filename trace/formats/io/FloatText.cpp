#include "trace/formats/io/FloatText.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "framework/core/NumberText.h"

namespace float_text {

std::string_view General(double v, int p, char (&text)[32]) {
    const auto r = std::to_chars(text, text + sizeof text, v, std::chars_format::general, p);
    return {text, static_cast<std::size_t>(r.ptr - text)};
}

std::string_view RoundTripText(float v, char (&text)[32]) {
    if (std::isinf(v)) return v > 0 ? "1e39" : "-1e39";
    for (int p = 6; p < 9; ++p) {
        const std::string_view t = General(v, p, text);
        const float back = numtext::NarrowToFloat(numtext::ParseReal(t));
        if (std::memcmp(&back, &v, sizeof v) == 0) return t;
    }
    return General(v, 9, text);  // 9 digits always read back to the same float
}

}  // namespace float_text
