// Display copies: first, max, min, first per bucket, with the in-order NaN and zero rules.

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "framework/core/MessageSink.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TraceFixtures.h"

using V = std::vector<float>;

namespace {

V Display(const CtesqDoc& doc, int i) {
    const float* p = doc.m_pDisplay[i].get();
    return p ? V(p, p + doc.m_nDisplayLength) : V{};
}

// The rule written the plain way, one sample at a time.
V Reference(const V& s, int d) {
    V out;
    for (std::size_t s0 = 0; s0 < s.size(); s0 += d) {
        float mn = s[s0], mx = s[s0];
        for (std::size_t j = s0; j < std::min(s.size(), s0 + d); ++j) {
            if (s[j] < mn) mn = s[j];
            if (s[j] > mx) mx = s[j];
        }
        out.insert(out.end(), {s[s0], mx, mn, s[s0]});
    }
    return out;
}

bool SameBits(const V& a, const V& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

}  // namespace

TEST(DisplayCopy, BucketsHoldFirstMaxMinFirst) {
    auto doc = DocWithSamples({{3, 7, 1, 5, 2, 8, 4, 6, 9, 0}});
    doc->m_nDecimation = 4;
    doc->BuildDisplayCopies();
    EXPECT_EQ(doc->m_nDisplayLength, 12);
    EXPECT_EQ(Display(*doc, 0), (V{3, 7, 1, 3, 2, 8, 2, 2, 9, 9, 0, 9}));

    doc->m_nDecimation = 1;
    doc->BuildDisplayCopies();
    EXPECT_EQ(doc->m_nDisplayLength, 40);
    const V single = Display(*doc, 0);
    EXPECT_EQ(V(single.begin(), single.begin() + 8), (V{3, 3, 3, 3, 7, 7, 7, 7}));

    doc->m_nDecimation = 4096;
    doc->BuildDisplayCopies();
    EXPECT_EQ(Display(*doc, 0), (V{3, 9, 0, 3}));
}

TEST(DisplayCopy, NaNFirstSampleStaysMinAndMaxAndLaterNaNChangesNothing) {
    auto doc = DocWithSamples({{kNaN, 1, 2, 5, kNaN, 4}});
    doc->m_nDecimation = 3;
    doc->BuildDisplayCopies();
    const V d = Display(*doc, 0);
    EXPECT_TRUE(std::isnan(d[1]) && std::isnan(d[2]));
    EXPECT_EQ(V(d.begin() + 4, d.end()), (V{5, 5, 4, 5}));
}

TEST(DisplayCopy, WideBucketsMatchTheInOrderRuleBitForBit) {
    std::mt19937 rng(11);
    V s(100003);
    for (float& x : s) {
        const unsigned r = rng() % 100;
        x = r == 0   ? kNaN
            : r == 1 ? 0.0f
            : r == 2 ? -0.0f
                     : static_cast<float>(rng() % 2001) - 1000.0f;
    }
    s[4096] = kNaN;  // a bucket led by NaN
    for (std::size_t j = 8192; j < 8192 + 1024; ++j) s[j] = j % 2 ? -0.0f : 0.0f;  // zeros only
    auto doc = DocWithSamples({s});
    for (int d : {2, 16, 17, 1024, 4096}) {
        doc->m_nDecimation = d;
        doc->BuildDisplayCopies();
        EXPECT_TRUE(SameBits(Display(*doc, 0), Reference(s, d))) << "decimation " << d;
    }
}

TEST(DisplayCopy, NullSampleArrayEndsTheRun) {
    auto doc = DocWithSamples({{1, 2}, {3, 4}});
    doc->m_nCurveCount = 3;
    doc->m_pSamples[3] = CFloatArray::Allocate(2, true);  // beyond the null slot 2
    doc->BuildDisplayCopies();
    EXPECT_TRUE(doc->m_pDisplay[1]);
    EXPECT_FALSE(doc->m_pDisplay[2]);
    EXPECT_FALSE(doc->m_pDisplay[3]);
}

TEST(DisplayCopy, NoSamplesLeavesTheLengthAlone) {
    CtesqDoc doc;
    doc.ResetTrace();
    doc.m_nDisplayLength = 12;
    CFloatArray slot;
    EXPECT_TRUE(doc.BuildDisplayCopy(nullptr, slot));
    EXPECT_EQ(doc.m_nDisplayLength, 12);
    doc.m_nSampleCount = 1;
    EXPECT_FALSE(doc.BuildDisplayCopy(nullptr, slot));
}

TEST(DisplayCopy, CopyTooLargeIsReportedAndStopsTheRun) {
    auto doc = DocWithSamples({{1}, {2}});
    doc->BuildDisplayCopies();
    CFloatArray& kept = doc->m_pDisplay[1];
    const float* before = kept.get();
    // 4 x INT_MAX floats cannot be counted by the 32-bit length; the arrays are never read.
    doc->m_nSampleCount = INT_MAX;
    CMessageRecorder messages;
    doc->BuildDisplayCopies();
    EXPECT_EQ(messages.m_messages, std::vector<std::string>{"deefery alloc failure!"});
    EXPECT_EQ(doc->m_nDisplayLength, 0);
    EXPECT_FALSE(doc->m_pDisplay[0]);
    EXPECT_EQ(kept.get(), before);
}
