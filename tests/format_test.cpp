// Format follows printf's rules for every conversion the system uses.

#include "Format.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>

namespace {

template <typename T>
std::string Printf(const char* fmt, T v) {
    char buf[512];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

}  // namespace

TEST(Format, MatchesPrintfInTheCLocale) {
    for (const char* f : {"%d", "%5d", "%-5d|", "%05d", "%+d", "% d", "%02d", "%.3d", "%i"})
        for (int v : {0, 7, -7, 123456, INT_MIN, INT_MAX})
            EXPECT_EQ(Format(f, v), Printf(f, v)) << f << v;
    for (const char* f : {"%u", "%x", "%X", "%08x"})
        for (unsigned v : {0u, 42u, 4294967295u}) EXPECT_EQ(Format(f, v), Printf(f, v)) << f << v;
    for (const char* f : {"%f", "%.2f", "%.3f", "%.0f", "%10.3f", "%-10.1f|", "%+.1f", "%e", "%.2E",
                          "%g", "%G", "%.3g", "%#.0f"})
        for (double v :
             {0.0, -0.0, 0.0001, 0.00001, 1e6, 123456789.0, -2.5, 0.125, 1e300, 999999.5})
            EXPECT_EQ(Format(f, v), Printf(f, v)) << f << v;
    EXPECT_EQ(Format("%s|%5s|%-5s|%.2s", "ab", "cd", "ef", "ghij"), "ab|   cd|ef   |gh");
    EXPECT_EQ(Format("100%% %c", 'x'), "100% x");
}

TEST(Format, MismatchedArgumentsAreSafe) {
    EXPECT_EQ(Format("%d", 2.9), "2");
    EXPECT_EQ(Format("%.1f", 3), "3.0");
    EXPECT_EQ(Format("%s", 5), "");
    EXPECT_EQ(Format("%d %d", 1), "1 0");
    EXPECT_EQ(Format("%d", std::numeric_limits<double>::quiet_NaN()), "0");
}
