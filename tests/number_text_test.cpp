// Lenient number text, identical under any process locale.

#include <gtest/gtest.h>

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "framework/core/NumberText.h"

using numtext::ParseInt;
using numtext::ParseReal;

TEST(ParseReal, TakesTheLongestDecimalPrefix) {
    EXPECT_EQ(ParseReal("1.5"), 1.5);
    EXPECT_EQ(ParseReal(" \t-2.5e3xyz"), -2500.0);
    EXPECT_EQ(ParseReal("+3"), 3.0);
    EXPECT_EQ(ParseReal(".5"), 0.5);
    EXPECT_EQ(ParseReal("5."), 5.0);
    EXPECT_EQ(ParseReal("1e"), 1.0);
    EXPECT_EQ(ParseReal("1e+"), 1.0);
    EXPECT_EQ(ParseReal("7,5"), 7.0);
    EXPECT_EQ(ParseReal("1.2.3"), 1.2);
}

TEST(ParseReal, NoNumberGivesZero) {
    for (const char* text : {"", ".", "-", "e5", "abc", "in", "na", "-nf"})
        EXPECT_EQ(ParseReal(text), 0.0) << text;
    EXPECT_EQ(ParseReal("0x1p4"), 0.0);  // no hex: the 0 before the x
    EXPECT_TRUE(std::signbit(ParseReal("-0")));
    for (const char* text : {"-", "-x", "-.", "-e5", "+"})  // a sign alone is no number
        EXPECT_FALSE(std::signbit(ParseReal(text))) << text;
}

TEST(ParseReal, NanAndInfinityAreReadAsTheCLibraryReadsThem) {
    // A text save writes a missing sample as "nan": it must read back as one.
    for (const char* text : {"nan", " NaN", "-nan", "NAN(0x1)", "nanometre"})
        EXPECT_TRUE(std::isnan(ParseReal(text))) << text;
    EXPECT_EQ(ParseReal("inf"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(ParseReal("-Infinity"), -std::numeric_limits<double>::infinity());
    const char row[] = "-infinity 2";
    const numtext::FloatScanResult r = numtext::ScanFloat(row, row + sizeof row - 1);
    EXPECT_EQ(r.value, -std::numeric_limits<float>::infinity());
    EXPECT_EQ(r.end, row + 9);
    const char nan[] = "nan,3";
    EXPECT_EQ(numtext::ScanFloat(nan, nan + 5).end, nan + 3);
}

TEST(ParseReal, OutOfRangeSaturatesToInfinityOrZero) {
    EXPECT_EQ(ParseReal("1e400"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(ParseReal("-1e99999999999"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(ParseReal("1e-400"), 0.0);
    EXPECT_EQ(ParseReal("0e999999"), 0.0);
    EXPECT_EQ(ParseReal("4.9e-324"), 4.9e-324);
}

TEST(ParseReal, RoundsCorrectlyLikeTheStandardConverter) {
    std::mt19937_64 rng(3);
    for (int i = 0; i < 20000; ++i) {
        std::string text = std::to_string(rng() % 100000000000000000ULL);
        text.insert(rng() % text.size(), ".");
        if (i % 3 == 0) text += "e" + std::to_string(static_cast<int>(rng() % 80) - 40);
        double expected = 0;
        std::from_chars(text.data(), text.data() + text.size(), expected);
        ASSERT_EQ(ParseReal(text), expected) << text;
    }
    EXPECT_EQ(ParseReal("3.14159265358979323846264338327950288"), 3.141592653589793);
}

TEST(ParseInt, TakesSignAndDigitsAndSaturates) {
    EXPECT_EQ(ParseInt("2.5"), 2);
    EXPECT_EQ(ParseInt("  -7x"), -7);
    EXPECT_EQ(ParseInt("abc"), 0);
    EXPECT_EQ(ParseInt("99999999999"), INT_MAX);
    EXPECT_EQ(ParseInt("-2147483648"), INT_MIN);
    EXPECT_EQ(ParseInt("-99999999999"), INT_MIN);
}

TEST(NumericConversions, NeverUndefined) {
    EXPECT_EQ(numtext::NarrowToFloat(1e39), std::numeric_limits<float>::infinity());
    EXPECT_EQ(numtext::NarrowToFloat(-1e300), -std::numeric_limits<float>::infinity());
    EXPECT_EQ(numtext::NarrowToFloat(std::numeric_limits<float>::max()),
              std::numeric_limits<float>::max());
    EXPECT_TRUE(std::isnan(numtext::NarrowToFloat(std::nan(""))));
    EXPECT_EQ(numtext::ToIntSaturated(std::nan("")), 0);
    EXPECT_EQ(numtext::ToIntSaturated(1e10), INT_MAX);
    EXPECT_EQ(numtext::ToIntSaturated(-std::numeric_limits<double>::infinity()), INT_MIN);
    EXPECT_EQ(numtext::ToIntSaturated(-2.7), -2);
}

TEST(NumberTextUnderACommaLocale, StillUsesThePoint) {
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "run scripts/install-deps.sh";
    EXPECT_EQ(ParseReal("1.5"), 1.5);
    EXPECT_EQ(ParseReal("1,5"), 1.0);
    EXPECT_EQ(numtext::ShortestText(0.1f), "0.1");
    std::setlocale(LC_ALL, "C");
}

TEST(ScanFloat, IsBitForBitTheNarrowedCorrectlyRoundedDouble) {
    std::mt19937 rng(9);
    std::vector<std::string> texts;
    // Decimals just off the midpoint between two floats, where a shortcut could round wrongly.
    for (int i = 0; i < 20000; ++i) {
        std::uint32_t bits = rng() & 0x7F7FFFFF;
        float f;
        std::memcpy(&f, &bits, sizeof f);
        const double mid = (double{f} + double{std::nextafter(f, INFINITY)}) / 2;
        char buf[64];
        const int digits = 6 + static_cast<int>(rng() % 12);
        auto r = std::to_chars(buf, buf + sizeof buf, mid,
                               (i & 1) ? std::chars_format::scientific : std::chars_format::fixed,
                               (i & 1) ? digits : digits % 9);
        texts.emplace_back(buf, r.ptr);
    }
    // The plain form the window reads: up to 8 whole and 7 fraction digits, with a sign.
    for (int i = 0; i < 20000; ++i) {
        std::string t = (rng() % 2) ? "-" : (rng() % 5 ? "" : "+");
        for (unsigned k = rng() % 10; k > 0; --k) t += static_cast<char>('0' + rng() % 10);
        if (rng() % 4) t += '.';
        for (unsigned k = rng() % 9; k > 0; --k) t += static_cast<char>('0' + rng() % 10);
        t += std::string(1, ",;: \t\r.e9x"[rng() % 10]);
        texts.push_back(t);
    }
    for (const std::string& text : texts) {
        const std::string padded = text + "5.25e1          ";  // readable, never part of it
        const char* b = padded.data();
        const char* e = b + text.size();
        const auto exact = numtext::ScanReal(b, e);
        const float expected = numtext::NarrowToFloat(exact.value);
        for (const char* readable : {static_cast<const char*>(nullptr), e + 16}) {
            const auto got = numtext::ScanFloat(b, e, readable);
            ASSERT_EQ(std::memcmp(&got.value, &expected, sizeof expected), 0) << text;
            ASSERT_EQ(got.end, exact.end) << text;
        }
    }
}
