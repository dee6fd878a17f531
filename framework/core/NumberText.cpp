#include "NumberText.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>

namespace numtext {

namespace {

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                             1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                             1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

}  // namespace

double ParseReal(std::string_view text) {
    const char* p = text.data();
    const char* const e = p + text.size();
    while (p < e && IsSpace(*p)) ++p;
    bool negative = false;
    if (p < e && (*p == '+' || *p == '-')) negative = *p++ == '-';
    const char* const start = p;

    // Gather up to 19 significant digits; exp10 is the power of ten that scales them.
    std::uint64_t mantissa = 0;
    int significant = 0;
    int exp10 = 0;
    bool anyDigit = false;
    bool truncated = false;
    bool fraction = false;
    for (; p < e; ++p) {
        const char c = *p;
        if (IsDigit(c)) {
            anyDigit = true;
            const unsigned d = static_cast<unsigned>(c - '0');
            if (mantissa == 0 && d == 0) {
                if (fraction) --exp10;
            } else if (significant < 19) {
                mantissa = mantissa * 10 + d;
                ++significant;
                if (fraction) --exp10;
            } else {
                truncated = true;
                if (!fraction) ++exp10;
            }
        } else if (c == '.' && !fraction) {
            fraction = true;
        } else {
            break;
        }
    }
    if (!anyDigit) return 0.0;
    if (p < e && (*p == 'e' || *p == 'E')) {
        const char* q = p + 1;
        bool expNegative = false;
        if (q < e && (*q == '+' || *q == '-')) expNegative = *q++ == '-';
        if (q < e && IsDigit(*q)) {
            int exponent = 0;
            for (; q < e && IsDigit(*q); ++q)
                if (exponent < 1000000) exponent = exponent * 10 + (*q - '0');
            exp10 += expNegative ? -exponent : exponent;
            p = q;
        }
    }
    const char* const numberEnd = p;

    double value;
    if (mantissa == 0) {
        value = 0.0;
    } else if (!truncated && mantissa <= (std::uint64_t{1} << 53) && exp10 >= -22 && exp10 <= 22) {
        // Both operands are exact doubles, so one IEEE operation rounds correctly.
        const double m = static_cast<double>(mantissa);
        value = exp10 < 0 ? m / kPow10[-exp10] : m * kPow10[exp10];
    } else {
        const auto result = std::from_chars(start, numberEnd, value, std::chars_format::general);
        if (result.ec == std::errc::result_out_of_range) {
            // The leading digit stands at 10^(exp10 + significant - 1).
            value = exp10 + significant > 0 ? std::numeric_limits<double>::infinity() : 0.0;
        } else if (result.ec != std::errc()) {
            value = 0.0;
        }
    }
    return negative ? -value : value;
}

int ParseInt(std::string_view text) {
    const char* p = text.data();
    const char* const e = p + text.size();
    while (p < e && IsSpace(*p)) ++p;
    bool negative = false;
    if (p < e && (*p == '+' || *p == '-')) negative = *p++ == '-';
    long long value = 0;
    for (; p < e && IsDigit(*p); ++p) {
        value = value * 10 + (*p - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) return static_cast<int>(-value);
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

float NarrowToFloat(double value) {
    constexpr double kMax = std::numeric_limits<float>::max();
    // Values that round to FLT_MAX are still in range; only beyond the rounding edge is inf.
    constexpr double kEdge = kMax + std::ldexp(1.0, 127 - 24);
    if (value >= kEdge) return std::numeric_limits<float>::infinity();
    if (value <= -kEdge) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

int ToIntSaturated(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return INT_MAX;
    if (value <= -2147483648.0) return INT_MIN;
    return static_cast<int>(value);
}

std::string ShortestText(float value) {
    char buf[32];
    const auto result = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, result.ptr);
}

}  // namespace numtext
