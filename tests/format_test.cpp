// The texts the system formats with {fmt} are byte for byte what printf gives in the C locale,
// whatever the process locale is.

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

template <typename T>
std::string Printf(const char* format, T v) {
    char buf[512];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

constexpr double kInf = std::numeric_limits<double>::infinity();

void ExpectFormatsMatchPrintf() {
    for (double v : {0.0, -0.0, 0.0001, 0.0005, 0.00001, 1e6, 123456789.0, -2.5, 0.125, 1e300,
                     999999.5, 2.675, -1e-9, kInf, -kInf, std::nan(""), -std::nan("")}) {
        EXPECT_EQ(fmt::format("{:.2f}", v), Printf("%.2f", v)) << v;
        EXPECT_EQ(fmt::format("{:.3f}", v), Printf("%.3f", v)) << v;
    }
    for (long long v : {0LL, 5LL, -5LL, 59LL, 123456789012LL})
        EXPECT_EQ(fmt::format("{:02}", v), Printf("%02lld", v)) << v;
    for (unsigned char c : {0, 31, 127, 255})
        EXPECT_EQ(fmt::format("{:04x}", c), Printf("%04x", static_cast<unsigned>(c)));
    EXPECT_EQ(fmt::format("{}", 4294967295u), Printf("%u", 4294967295u));
}

}  // namespace

TEST(Format, MatchesPrintfInTheCLocale) {
    ExpectFormatsMatchPrintf();
}

TEST(Format, IgnoresACommaLocale) {
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "run scripts/install-deps.sh";
    EXPECT_EQ(fmt::format("{:.2f}|{:.3f}", 1.5, -2.0), "1.50|-2.000");
    std::setlocale(LC_ALL, "C");
}
