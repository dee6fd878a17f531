// Display columns: first, max, min, first per bucket, with the in-order NaN and zero rules.
// The entries are made on demand from a min/max pyramid; every test compares them with the
// whole copy built the plain way, one sample at a time.

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "framework/core/File.h"
#include "framework/core/MessageSink.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TraceFixtures.h"

using V = std::vector<float>;

namespace {

V Display(const CtesqDoc& doc, int i) {
    if (!doc.Display(i)) return {};
    V out(static_cast<std::size_t>(doc.DisplayLength()));
    doc.Display(i).Entries(0, doc.DisplayLength() / 4, out.data());
    return out;
}

bool SameBits(const V& a, const V& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

}  // namespace

TEST(DisplayColumns, BucketsHoldFirstMaxMinFirst) {
    auto doc = DocWithSamples({{3, 7, 1, 5, 2, 8, 4, 6, 9, 0}});
    doc->SetDecimation(4);
    EXPECT_EQ(doc->DisplayLength(), 12);
    EXPECT_EQ(Display(*doc, 0), (V{3, 7, 1, 3, 2, 8, 2, 2, 9, 9, 0, 9}));

    doc->SetDecimation(1);
    EXPECT_EQ(doc->DisplayLength(), 40);
    const V single = Display(*doc, 0);
    EXPECT_EQ(V(single.begin(), single.begin() + 8), (V{3, 3, 3, 3, 7, 7, 7, 7}));

    doc->SetDecimation(4096);
    EXPECT_EQ(Display(*doc, 0), (V{3, 9, 0, 3}));
}

TEST(DisplayColumns, NaNFirstSampleStaysMinAndMaxAndLaterNaNChangesNothing) {
    auto doc = DocWithSamples({{kNaN, 1, 2, 5, kNaN, 4}});
    doc->SetDecimation(3);
    const V d = Display(*doc, 0);
    EXPECT_TRUE(std::isnan(d[1]) && std::isnan(d[2]));
    EXPECT_EQ(V(d.begin() + 4, d.end()), (V{5, 5, 4, 5}));
}

TEST(DisplayColumns, NullSampleArrayEndsTheRun) {
    auto doc = DocWithSamples({{1, 2}, {3, 4}}, [](CTraceData& t) {
        t.m_nCurveCount = 3;
        t.m_pSamples[3] = CFloatArray::Allocate(2, true);  // beyond the null slot 2
    });
    doc->BuildDisplayCopies();
    EXPECT_TRUE(doc->Display(1));
    EXPECT_FALSE(doc->Display(2));
    EXPECT_FALSE(doc->Display(3));
}

TEST(DisplayColumns, ACurveWithoutSamplesInATraceWithSamplesBuildsNothing) {
    auto doc = DocWithSamples({{1}});
    CDisplayColumns slot;
    const CCurveSamples none;
    EXPECT_FALSE(doc->BuildDisplayCopy(none, slot));
    EXPECT_FALSE(slot);
}

TEST(DisplayColumns, EntriesAtAnyDecimationAndPositionAreThoseOfTheWholeCopy) {
    V s = AwkwardSamples(300007, 5);
    // The trace's last, shorter block: zeros whose first sign must survive.
    std::copy_n(V{-0.0f, 0.0f, -0.0f, 0.0f, 0.0f, -0.0f, 0.0f}.begin(), 7, s.end() - 7);
    auto doc = DocWithSamples({s});
    std::mt19937 rng(9);
    std::vector<int> decimations = {1,    2,    3,    15,    16,    17,    255,    256,    257,
                                    4095, 4096, 4097, 65535, 65536, 65537, 300006, 300007, 1 << 30};
    for (int k = 0; k < 12; ++k) decimations.push_back(1 + static_cast<int>(rng() % 100000));
    for (const int d : decimations) {
        doc->SetDecimation(d);
        const V whole = PlainDisplayEntries(s, static_cast<std::size_t>(d));
        ASSERT_EQ(doc->DisplayLength(), static_cast<std::int64_t>(whole.size()));
        EXPECT_TRUE(SameBits(Display(*doc, 0), whole)) << "decimation " << d;
        // A window of columns from anywhere, as a paint asks for it, and single entries, as
        // the read-out asks for them.
        const std::int64_t columns = doc->DisplayLength() / 4;
        const std::int64_t from = static_cast<std::int64_t>(rng() % static_cast<unsigned>(columns));
        const std::int64_t count = std::min<std::int64_t>(columns - from, 1 + rng() % 2000);
        V window(static_cast<std::size_t>(4 * count));
        doc->Display(0).Entries(from, count, window.data());
        EXPECT_TRUE(
            SameBits(window, V(whole.begin() + 4 * from, whole.begin() + 4 * (from + count))));
        const std::int64_t j = static_cast<std::int64_t>(rng() % whole.size());
        const float entry = doc->Display(0)[j];
        EXPECT_EQ(std::memcmp(&whole[static_cast<std::size_t>(j)], &entry, 4), 0);
    }
}

TEST(DisplayColumns, KxbBringsTheEntriesUpToDateOverItsRange) {
    V s = AwkwardSamples(70001, 3);
    auto doc = DocWithSamples({s});
    doc->SetDecimation(300);
    std::mt19937 rng(4);
    for (int round = 0; round < 6; ++round) {
        const int a = static_cast<int>(rng() % s.size()), b = static_cast<int>(rng() % s.size());
        doc->Select(std::min(a, b), std::max(a, b) + 1);
        ASSERT_TRUE(doc->ExecuteCommand(round % 2 ? "kxb 0 -1 0" : "kxb 0 0 -0"));
        for (const int d : {300, 17, 5000}) {
            doc->SetDecimation(d);
            EXPECT_TRUE(
                SameBits(Display(*doc, 0),
                         PlainDisplayEntries(Samples(*doc, 0), static_cast<std::size_t>(d))))
                << "round " << round << " decimation " << d;
        }
    }
}

// Each kxb is kept as a rule over the lowest level until there are too many to apply on
// every read; then they are written into it, with the blocks their borders cut made again.
TEST(DisplayColumns, KxbsPastTheKeptRulesAreWrittenIntoTheColumns) {
    V s = AwkwardSamples(70001, 5);
    auto doc = DocWithSamples({s});
    std::mt19937 rng(6);
    for (int round = 0; round < 2 * static_cast<int>(CCurveSamples::kMostRescalings) + 3; ++round) {
        const int a = static_cast<int>(rng() % s.size()), b = static_cast<int>(rng() % s.size());
        doc->Select(std::min(a, b), std::max(a, b) + 1);
        ASSERT_TRUE(doc->ExecuteCommand(round % 3 ? "kxb 0 -1.5 2" : "kxb 0 0.5 0"));
        if (round % 16 != 15) continue;
        for (const int d : {16, 300, 5000}) {
            doc->SetDecimation(d);
            EXPECT_TRUE(
                SameBits(Display(*doc, 0),
                         PlainDisplayEntries(Samples(*doc, 0), static_cast<std::size_t>(d))))
                << "round " << round << " decimation " << d;
        }
    }
}

// Any range, either way, against a look at every sample: sparse samples beyond the bounds
// so that whole blocks of every level are passed over, NaN among them, the short last block.
TEST(DisplayColumns, FindOutsideStopsAtTheFirstOrLastSampleBeyondTheBounds) {
    std::mt19937 rng(9);
    V s(70'001);
    for (float& x : s) x = static_cast<float>(rng() % 100);
    for (int i = 0; i < 12; ++i) s[rng() % s.size()] = 500.0f + static_cast<float>(i);
    for (int i = 0; i < 12; ++i) s[rng() % s.size()] = -500.0f;
    for (int i = 0; i < 30; ++i) s[rng() % s.size()] = kNaN;
    s.back() = 700.0f;
    auto doc = DocWithSamples({s});
    doc->SetDecimation(16);
    const CDisplayColumns& columns = doc->Display(0);
    const auto n = static_cast<std::int64_t>(s.size());
    std::vector<std::int64_t> beyond;
    for (std::int64_t i = 0; i < n; ++i)
        if (std::abs(s[static_cast<std::size_t>(i)]) > 400) beyond.push_back(i);
    for (int round = 0; round < 600; ++round) {
        std::int64_t a = rng() % (n + 1), b = rng() % (n + 1);
        if (a > b) std::swap(a, b);
        // Ranges that end just short of a sample beyond, or start just past one.
        const std::int64_t near = beyond[rng() % beyond.size()];
        if (round % 4 == 1) b = std::max(a, near);
        if (round % 4 == 2) a = std::min(b, near + 1);
        if (round % 8 == 3) b = n;
        const float low = round % 5 ? -400.0f : 50.0f, high = round % 5 ? 400.0f : 98.0f;
        const auto outside = [&](std::int64_t i) {
            return s[static_cast<std::size_t>(i)] < low || s[static_cast<std::size_t>(i)] > high;
        };
        std::int64_t first = -1, last = -1;
        for (std::int64_t i = a; i < b; ++i)
            if (outside(i)) {
                if (first < 0) first = i;
                last = i;
            }
        EXPECT_EQ(columns.FindOutside(a, b, low, high, false), first) << a << ".." << b;
        EXPECT_EQ(columns.FindOutside(a, b, low, high, true), last) << a << ".." << b;
    }
}

TEST(DisplayColumns, TheTracesShorterLastBlockFollowsTheRuleToo) {
    V zeros(16, -1.0f), negatives(16, -1.0f), nans(16, -1.0f);
    for (const float z : {-0.0f, 0.0f, -0.0f, 0.0f, 0.0f, -0.0f, 0.0f}) zeros.push_back(z);
    negatives.insert(negatives.end(), 7, -2.0f);
    nans.insert(nans.end(), 7, kNaN);
    auto doc = DocWithSamples({zeros, negatives, nans});
    doc->SetDecimation(23);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(SameBits(Display(*doc, i), PlainDisplayEntries(Samples(*doc, i), 23)))
            << "curve " << i;
}

TEST(DisplayColumns, ALongBuildTellsItsProgressAndStopsWhenTold) {
    const CCurveSamples samples = CurveOf(std::vector<float>(3'000'000, 1.5f));
    CDisplayColumns columns;
    std::int64_t told = 0;
    EXPECT_THROW(columns.Build(samples, static_cast<std::int64_t>(samples.size()),
                               [&told](std::int64_t n) {
                                   told += n;
                                   if (told > 1'000'000) throw CReadCancelled();
                               }),
                 CReadCancelled);
    EXPECT_FALSE(columns);  // nothing half built is left to be taken for the whole
    // Told what was built, never more, and stopped at the first word past a million (which
    // chunks the two threads had done by then is theirs to decide).
    EXPECT_GT(told, 1'000'000);
    EXPECT_LE(told, 3'000'000);
    told = 0;
    EXPECT_TRUE(columns.Build(samples, static_cast<std::int64_t>(samples.size()),
                              [&told](std::int64_t n) { told += n; }));
    EXPECT_EQ(told, 3'000'000);  // every sample told
}

TEST(DisplayColumns, KxbEndingInsideTheLastBlockOfEveryLevelReachesIt) {
    // 4136 samples: blocks of 16, 256 and 4096 whose last ones are short; the edit lies
    // inside the last block of each level only.
    V s(4136, 1.0f);
    auto doc = DocWithSamples({s});
    doc->SetDecimation(4136);  // one column: every level's last block counts
    doc->Select(4129, 4131);
    ASSERT_TRUE(doc->ExecuteCommand("kxb 0 0 1000"));
    EXPECT_EQ(doc->Display(0)[1], 1000.0f);  // the column's maximum
    EXPECT_TRUE(SameBits(Display(*doc, 0), PlainDisplayEntries(Samples(*doc, 0), 4136)));
}

TEST(DisplayColumns, ALastSampleAloneInTheLastColumnIsItsExtreme) {
    V s(4097, 0.0f);
    s.back() = 99.0f;
    auto doc = DocWithSamples({s});
    for (const int d : {16, 256, 4096}) {
        doc->SetDecimation(d);
        const V entries = Display(*doc, 0);
        EXPECT_EQ(entries[entries.size() - 3], 99.0f) << d;  // the last column's maximum
        EXPECT_TRUE(SameBits(entries, PlainDisplayEntries(s, static_cast<std::size_t>(d)))) << d;
    }
}

// A trace shown while its pyramid is built on another thread: one sample a column shows the
// samples, wider columns are blank rather than a guess, and only a pyramid built over the
// same samples is taken (the columns are built in place otherwise).
TEST(DisplayColumns, PendingColumnsShowSamplesAloneAndTakeAPyramidOfTheSameSamples) {
    const V s = AwkwardSamples(70001, 4);
    auto doc = DocWithSamples({s});
    doc->PrepareDisplayColumns();
    ASSERT_TRUE(doc->Display(0).Pending());
    EXPECT_TRUE(SameBits(Display(*doc, 0), PlainDisplayEntries(s, 1)));
    doc->SetDecimation(16);
    const V blank = Display(*doc, 0);
    EXPECT_EQ(blank.size(), PlainDisplayEntries(s, 16).size());
    EXPECT_TRUE(std::all_of(blank.begin(), blank.end(), [](float x) { return std::isnan(x); }));
    CDisplayColumns built[CTraceData::MAX_CURVES];
    CStatsIndex stats[CTraceData::MAX_CURVES];
    ASSERT_TRUE(built[0].Build(doc->Trace().m_pSamples[0], 70001));
    doc->TakeBuiltColumns(built, stats);
    EXPECT_FALSE(doc->Display(0).Pending());
    EXPECT_FALSE(built[0]);
    EXPECT_TRUE(SameBits(Display(*doc, 0), PlainDisplayEntries(s, 16)));
    // A pyramid over another array is not taken.
    auto other = DocWithSamples({V(s.size(), 0.0f)});
    doc->PrepareDisplayColumns();
    ASSERT_TRUE(built[0].Build(other->Trace().m_pSamples[0], 70001));
    doc->TakeBuiltColumns(built, stats);
    EXPECT_FALSE(doc->Display(0).Pending());
    EXPECT_TRUE(built[0]);
    EXPECT_TRUE(SameBits(Display(*doc, 0), PlainDisplayEntries(s, 16)));
}

// What a cancelled open goes back to: everything but the views changes sides, and each
// side's columns read its own samples.
TEST(DisplayColumns, SwappedDocumentsKeepTheirColumnsOverTheirOwnSamples) {
    const V a = AwkwardSamples(5000, 1), b = AwkwardSamples(7000, 2);
    auto one = DocWithSamples({a});
    auto two = DocWithSamples({b});
    one->SetPathName("/x/a.txt");
    one->SetModifiedFlag(true);
    one->SetDecimation(16);
    two->SetPathName("/x/b.osc");
    two->SetDecimation(1);
    two->m_nOscFormat = 2;
    one->SwapContents(*two);
    EXPECT_EQ(one->GetPathName(), "/x/b.osc");
    EXPECT_EQ(one->GetTitle(), "b.osc");
    EXPECT_FALSE(one->IsModified());
    EXPECT_EQ(one->m_nOscFormat, 2);
    EXPECT_EQ(two->GetPathName(), "/x/a.txt");
    EXPECT_TRUE(two->IsModified());
    EXPECT_EQ(two->Decimation(), 16);
    EXPECT_TRUE(SameBits(Display(*one, 0), PlainDisplayEntries(b, 1)));
    EXPECT_TRUE(SameBits(Display(*two, 0), PlainDisplayEntries(a, 16)));
    // Columns that could not be built stay unbuilt: nothing is built, nor said, in a swap.
    CtesqDoc without;
    without.m_bDisplayOnOpen = false;
    const CTempDir dir;
    Put(dir.Path("c.osc"), std::string(5000, '\x05'));
    ASSERT_TRUE(without.OnOpenDocument(dir.Path("c.osc")));
    CMessageRecorder messages;
    one->SwapContents(without);
    EXPECT_FALSE(one->Display(0));
    EXPECT_TRUE(messages.m_messages.empty());
}
