#include "framework/core/Utf8.h"

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// Length of the well-formed sequence at p (1..4), or 0 when ill-formed; `max` bytes remain.
std::size_t SequenceLength(const unsigned char* p, std::size_t max) {
    const unsigned char b = p[0];
    if (b < 0x80) return 1;
    std::size_t len;
    unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (b >= 0xC2 && b <= 0xDF)
        len = 2;
    else if (b == 0xE0)
        len = 3, lo = 0xA0;
    else if (b == 0xED)
        len = 3, hi = 0x9F;
    else if (b >= 0xE1 && b <= 0xEF)
        len = 3;
    else if (b == 0xF0)
        len = 4, lo = 0x90;
    else if (b == 0xF4)
        len = 4, hi = 0x8F;
    else if (b >= 0xF1 && b <= 0xF3)
        len = 4;
    else
        return 0;
    if (max < 2 || p[1] < lo || p[1] > hi) return 0;
    for (std::size_t i = 2; i < len; ++i)
        if (i >= max || (p[i] & 0xC0) != 0x80) return 0;
    return len;
}

}  // namespace

std::string SanitizeUtf8(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    std::string out;
    out.reserve(n);
    std::size_t i = 0;
    while (i < n) {
        const std::size_t len = SequenceLength(p + i, n - i);
        if (len > 0) {
            out.append(bytes.substr(i, len));
            i += len;
        } else {
            // One replacement per byte that starts no well-formed sequence.
            out.append(kReplacement);
            ++i;
        }
    }
    return out;
}

bool IsValidUtf8(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    for (std::size_t i = 0, n = bytes.size(); i < n;) {
        const std::size_t len = SequenceLength(p + i, n - i);
        if (len == 0) return false;
        i += len;
    }
    return true;
}

std::string Latin1ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (b >> 6));
            out += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return out;
}
