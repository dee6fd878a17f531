#include "framework/core/NumberText.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace numtext {

namespace {

inline bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Eight bytes at a time: the count of leading ASCII digits at p (0..8), with every byte of
// `digits` holding that byte xor '0' (the digit's value for a digit).
inline int LeadingDigits(const char* p, std::uint64_t& digits) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    digits = v ^ 0x3030303030303030ULL;
    // A byte's top bit ends up set unless it is below 10 after the xor; masking first keeps
    // the addition from carrying into the next byte.
    const std::uint64_t nonDigit =
        (((digits & 0x7F7F7F7F7F7F7F7FULL) + 0x7676767676767676ULL) | digits) &
        0x8080808080808080ULL;
    return nonDigit ? __builtin_ctzll(nonDigit) >> 3 : 8;
}

// The value of the first k (1..8) digits that LeadingDigits found, first byte most significant.
inline std::uint64_t DigitsValue(std::uint64_t digits, int k) {
    digits <<= 8 * (8 - k);  // the bytes after the digits drop out; zeros lead
    digits = digits * 10 + (digits >> 8);
    return (((digits & 0x000000FF000000FFULL) * 0x000F424000000064ULL) +
            (((digits >> 16) & 0x000000FF000000FFULL) * 0x0000271000000001ULL)) >>
           32;
}

constexpr std::uint64_t kPow10Int[] = {1,      10,      100,      1000,     10000,
                                       100000, 1000000, 10000000, 100000000};

// The digits of a decimal number at p, gathered; `end` is where the number ends.
struct Decimal {
    std::uint64_t mantissa = 0;  // up to 19 significant digits
    int exp10 = 0;               // the power of ten that scales them
    int significant = 0;
    bool negative = false;
    bool truncated = false;  // more than 19 significant digits
    bool any = false;        // false: no number at all
    bool isWord = false;     // "inf", "infinity" or "nan" in any case, worth `word`
    double word = 0;
    const char* start;  // after the sign
    const char* end;
};

// A number without digits: the words the C library reads as numbers, as a file of missing
// samples writes them ("nan", "inf", "infinity" in any case), else no number.
inline void NoDigits(Decimal& d, const char* const e) {
    const auto word = [&](std::string_view w) {
        if (static_cast<std::size_t>(e - d.start) < w.size()) return false;
        for (std::size_t k = 0; k < w.size(); ++k)
            if ((d.start[k] | 0x20) != w[k]) return false;
        return true;
    };
    if (word("nan") || word("inf")) {
        const bool nan = (*d.start | 0x20) == 'n';
        d.word = nan ? std::numeric_limits<double>::quiet_NaN()
                     : std::numeric_limits<double>::infinity();
        d.any = true;
        d.isWord = true;
        d.end = d.start + (!nan && word("infinity") ? 8 : 3);
        return;
    }
    // A sign without digits is no number: it reads as 0, not -0.
    d.negative = false;
    d.end = d.start;
}

// An exponent ("e-5") at p added to exp10; where the number ends. An 'e' without digits
// after it is not part of the number.
inline const char* Exponent(const char* p, const char* const e, int& exp10) {
    if (!(p < e && (*p == 'e' || *p == 'E'))) return p;
    const char* q = p + 1;
    bool expNegative = false;
    if (q < e && (*q == '+' || *q == '-')) expNegative = *q++ == '-';
    if (!(q < e && IsDigit(*q))) return p;
    int exponent = 0;
    for (; q < e && IsDigit(*q); ++q)
        if (exponent < 1000000) exponent = exponent * 10 + (*q - '0');
    exp10 += expNegative ? -exponent : exponent;
    return q;
}

inline Decimal Gather(const char* p, const char* const e) {
    Decimal d;
    // Branch-free sign: the sign of random data defeats the branch predictor.
    d.negative = p < e && *p == '-';
    p += (p < e && (*p == '-' || *p == '+')) ? 1 : 0;
    d.start = p;
    std::uint64_t mantissa = 0;
    int significant = 0;
    int exp10 = 0;
    bool truncated = false;
    const char* const digitsStart = p;
    while (p < e && *p == '0') ++p;
    if (e - p >= 8) {
        std::uint64_t digits;
        const int k = LeadingDigits(p, digits);
        if (k > 0) {
            mantissa = DigitsValue(digits, k);
            significant = k;
            p += k;
        }
    }
    for (; p < e && IsDigit(*p); ++p) {
        if (significant < 19) {
            mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
            ++significant;
        } else {
            truncated = true;
            ++exp10;
        }
    }
    bool anyDigit = p != digitsStart;
    if (p < e && *p == '.') {
        const char* const fractionStart = ++p;
        if (significant == 0)
            for (; p < e && *p == '0'; ++p) --exp10;
        if (e - p >= 8 && significant <= 11) {
            std::uint64_t digits;
            const int k = LeadingDigits(p, digits);
            if (k > 0) {
                mantissa = mantissa * kPow10Int[k] + DigitsValue(digits, k);
                significant += k;
                exp10 -= k;
                p += k;
            }
        }
        for (; p < e && IsDigit(*p); ++p) {
            if (significant < 19) {
                mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
                ++significant;
                --exp10;
            } else {
                truncated = true;
            }
        }
        anyDigit = anyDigit || p != fractionStart;
    }
    if (!anyDigit) {
        NoDigits(d, e);
        return d;
    }
    p = Exponent(p, e, exp10);
    d.mantissa = mantissa;
    d.exp10 = exp10;
    d.significant = significant;
    d.truncated = truncated;
    d.any = true;
    d.end = p;
    return d;
}

// Both operands exact doubles, so one IEEE operation rounds correctly.
inline bool FastPath(const Decimal& d) {
    return !d.truncated && d.mantissa <= (std::uint64_t{1} << 53) && d.exp10 >= -22 &&
           d.exp10 <= 22;
}

// The magnitude of a gathered number, correctly rounded.
double Magnitude(const Decimal& d) {
    if (d.isWord) return d.word;
    if (d.mantissa == 0) return 0.0;
    const double m = static_cast<double>(d.mantissa);
    if (FastPath(d)) return d.exp10 < 0 ? m / kPow10[-d.exp10] : m * kPow10[d.exp10];
    double value = 0.0;
    const auto result = std::from_chars(d.start, d.end, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range)
        // The leading digit stands at 10^(exp10 + significant - 1).
        return d.exp10 + d.significant > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    return result.ec == std::errc() ? value : 0.0;
}

// The sign by its bit: a branch on the sign of random data is mispredicted half the time.
template <typename Float, typename Bits>
inline Float WithSign(Float magnitude, bool negative) {
    Bits bits;
    std::memcpy(&bits, &magnitude, sizeof bits);
    bits |= static_cast<Bits>(negative) << (sizeof(Bits) * 8 - 1);
    std::memcpy(&magnitude, &bits, sizeof bits);
    return magnitude;
}

constexpr double kInversePow10[] = {1e-0,  1e-1,  1e-2,  1e-3,  1e-4,  1e-5,  1e-6,  1e-7,
                                    1e-8,  1e-9,  1e-10, 1e-11, 1e-12, 1e-13, 1e-14, 1e-15,
                                    1e-16, 1e-17, 1e-18, 1e-19, 1e-20, 1e-21, 1e-22};

}  // namespace

ScanResult ScanReal(const char* p, const char* const e) {
    const Decimal d = Gather(p, e);
    return {WithSign<double, std::uint64_t>(Magnitude(d), d.negative), d.end};
}

namespace {

// The float of mantissa x 10^exp10 for a number that passed FastPath, as narrowing the
// correctly rounded double would give it.
inline float FastFloat(std::uint64_t mantissa, int exp10) {
    if (mantissa == 0 || exp10 >= 0)
        return static_cast<float>(static_cast<double>(mantissa) * kPow10[exp10 < 0 ? 0 : exp10]);
    // A product with the rounded reciprocal is within 3 units in the last place of the
    // correctly rounded quotient, and rounds to the same float unless it lies that close to
    // the midpoint between two floats (the 29 bits a float drops are near 2^28). Only then
    // is the exact but slower division needed.
    const double q = static_cast<double>(mantissa) * kInversePow10[-exp10];
    std::uint64_t bits;
    std::memcpy(&bits, &q, sizeof bits);
    const std::uint64_t dropped = bits & ((std::uint64_t{1} << 29) - 1);
    if (dropped - ((std::uint64_t{1} << 28) - 8) > 16) return static_cast<float>(q);
    return static_cast<float>(static_cast<double>(mantissa) / kPow10[-exp10]);
}

#if defined(__SSE2__)
// The plain form [sign] up to 8 digits [. up to 7 digits], without exponent, read from a
// 16-byte window at p with no branch per digit. False when the number has any other form
// or does not end within the window and before e; the caller then takes the general road.
inline bool ScanPlainWindow(const char* p, const char* e, const char* readableEnd,
                            FloatScanResult& out) {
    const bool negative = *p == '-';
    const char* q = p + ((*p == '-' || *p == '+') ? 1 : 0);
    // 16 bytes for the window, and the fraction's digits are read 8 at a time from up to
    // q + 9, so 17 must be readable.
    if (readableEnd - q < 17) return false;
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
    const __m128i shifted = _mm_sub_epi8(chunk, _mm_set1_epi8('0'));
    const __m128i isDigit = _mm_cmpeq_epi8(_mm_min_epu8(shifted, _mm_set1_epi8(9)), shifted);
    const unsigned digits = static_cast<unsigned>(_mm_movemask_epi8(isDigit));
    const unsigned dots =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, _mm_set1_epi8('.'))));
    const int whole = __builtin_ctz(~digits);  // bit 16 and up of ~digits are set
    int fraction = 0;
    int length = whole;
    if ((dots >> whole) & 1) {
        fraction = __builtin_ctz(~(digits >> (whole + 1)));
        length = whole + 1 + fraction;
    }
    if (whole > 8 || fraction > 7 || whole + fraction == 0 || length > 15 || q + length > e)
        return false;
    const char next = q[length];
    if (next == 'e' || next == 'E') return false;
    // Digit values for the bytes that were found to be digits; the rest are shifted out.
    const auto digitBytes = [](const char* at) {
        std::uint64_t v;
        std::memcpy(&v, at, 8);
        return v ^ 0x3030303030303030ULL;
    };
    std::uint64_t mantissa = whole > 0 ? DigitsValue(digitBytes(q), whole) : 0;
    if (fraction > 0)
        mantissa =
            mantissa * kPow10Int[fraction] + DigitsValue(digitBytes(q + whole + 1), fraction);
    out.value = WithSign<float, std::uint32_t>(FastFloat(mantissa, -fraction), negative);
    out.end = q + length;
    return true;
}
#endif

}  // namespace

FloatScanResult ScanFloat(const char* p, const char* const e, const char* readableEnd) {
#if defined(__SSE2__)
    FloatScanResult plain;
    if (readableEnd != nullptr && p < e && ScanPlainWindow(p, e, readableEnd, plain)) return plain;
#else
    (void)readableEnd;
#endif
    const Decimal d = Gather(p, e);
    const float magnitude = FastPath(d) && !d.isWord ? FastFloat(d.mantissa, d.exp10)
                                                     : static_cast<float>(Magnitude(d));
    return {WithSign<float, std::uint32_t>(magnitude, d.negative), d.end};
}

double ParseReal(std::string_view text) {
    const char* p = text.data();
    const char* const e = p + text.size();
    while (p < e && IsSpace(*p)) ++p;
    return ScanReal(p, e).value;
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
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) return static_cast<int>(-value);
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
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
