#include "cli/Json.h"

#include <fmt/format.h>

#include <charconv>
#include <cmath>

#include "framework/core/NumberText.h"
#include "trace/model/TimeBase.h"

namespace json {

std::string Quote(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    for (const char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20)
                    out += fmt::format("\\u{:04x}", static_cast<unsigned char>(c));
                else
                    out += c;
        }
    }
    out += '"';
    return out;
}

std::string Number(float value) {
    if (std::isnan(value)) return "\"nan\"";
    if (std::isinf(value)) return value > 0 ? "\"inf\"" : "\"-inf\"";
    return numtext::ShortestText(value);
}

std::string Real(double value) {
    if (std::isnan(value)) return "\"nan\"";
    if (std::isinf(value)) return value > 0 ? "\"inf\"" : "\"-inf\"";
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
}

std::string Exact(double value) {
    if (!std::isfinite(value)) return Real(value);
    return timebase::ExactText(value);
}

}  // namespace json
