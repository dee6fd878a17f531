// kxb over samples decoded on demand is kept as a rule that every read applies. What reads,
// display columns and statistics give must be, bit for bit, what applying each kxb to a
// float copy one after another gives.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "tests/support/TraceFixtures.h"
#include "trace/model/Extremes.h"
#include "trace/model/Moments.h"
#include "trace/stats/Statistics.h"

using V = std::vector<float>;

namespace {

// Samples a capture cannot hold (NaN, infinities, zeros of both signs), decoded on demand,
// with block figures of its own as a capture has them: figures of the samples as they were
// read, which no change may reach.
class VectorSource : public CSampleSource {
public:
    explicit VectorSource(V s) : m_s(std::move(s)) {}
    std::int64_t Count() const override { return static_cast<std::int64_t>(m_s.size()); }
    void Read(std::int64_t first, std::int64_t n, float* out) const override {
        std::memcpy(out, m_s.data() + first, static_cast<std::size_t>(n) * sizeof(float));
    }
    bool BlockExtremes(std::int64_t first, std::int64_t blocks, int size, float* maxima,
                       float* minima) const override {
        for (std::int64_t b = 0; b < blocks; ++b) {
            const std::int64_t from = first + b * size;
            maxima[b] = -std::numeric_limits<float>::infinity();
            minima[b] = std::numeric_limits<float>::infinity();
            ExtremesInOrder(m_s.data() + from, m_s.data() + from,
                            std::min<std::int64_t>(size, Count() - from), maxima[b], minima[b]);
        }
        return true;
    }
    bool BlockMoments(std::int64_t first, std::int64_t blocks, int size,
                      Moments* out) const override {
        for (std::int64_t b = 0; b < blocks; ++b) {
            const std::int64_t from = first + b * size;
            out[b] = MomentsOf(m_s.data() + from, std::min<std::int64_t>(size, Count() - from));
        }
        return true;
    }

private:
    V m_s;
};

std::unique_ptr<CtesqDoc> DocOverSource(const V& s) {
    CTraceData trace = TraceWithSamples({s});
    trace.m_pSamples[0] = CCurveSamples(std::make_shared<VectorSource>(s));
    auto doc = DocWithTrace(std::move(trace));
    doc->SetDecimation(300);
    return doc;
}

struct Kxb {
    int first, end;
    std::string k, b;
};

// The command on the document, and the rule as written on the copy.
void Apply(CtesqDoc& doc, V& copy, const Kxb& e) {
    doc.Select(e.first, e.end);
    ASSERT_TRUE(doc.ExecuteCommand("kxb 0 " + e.k + " " + e.b));
    const double k = std::strtod(e.k.c_str(), nullptr), b = std::strtod(e.b.c_str(), nullptr);
    for (int j = e.first; j < e.end; ++j) {
        float& x = copy[static_cast<std::size_t>(j)];
        x = static_cast<float>(static_cast<double>(x) * k + b);
    }
}

bool SameBits(const V& a, const V& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

V Display(const CtesqDoc& doc) {
    V out(static_cast<std::size_t>(doc.DisplayLength()));
    doc.Display(0).Entries(0, doc.DisplayLength() / 4, out.data());
    return out;
}

// The samples, the display columns at a few decimations and the statistics of a few ranges,
// against the copy's.
void ExpectSameAsTheCopy(CtesqDoc& doc, const V& copy, const std::string& when) {
    EXPECT_TRUE(SameBits(Samples(doc, 0), copy)) << when;
    for (const int d : {1, 16, 300, 4097, 65537}) {
        doc.SetDecimation(d);
        EXPECT_TRUE(SameBits(Display(doc), PlainDisplayEntries(copy, static_cast<std::size_t>(d))))
            << when << ", decimation " << d;
    }
    const CTraceData floats = TraceWithSamples({copy});
    const auto n = static_cast<int>(copy.size());
    for (const auto& [a, b] : {std::pair{0, n}, {1, n - 1}, {4095, 3 * 4096 + 1}, {n - 9000, n}}) {
        const SelectionStats want = ComputeSelectionStats(floats, a, b);
        // From the index, and from the samples' blocks without one.
        for (const CStatsIndex* index :
             {doc.StatsIndexes(), static_cast<const CStatsIndex*>(nullptr)}) {
            const SelectionStats got = ComputeSelectionStats(doc.Trace(), a, b, index);
            EXPECT_EQ(std::memcmp(&got.curves[0], &want.curves[0], sizeof(CurveStats)), 0)
                << when << ", stats of " << a << ".." << b << (index ? "" : " without an index");
        }
    }
}

}  // namespace

TEST(Rescaling, KxbOnASourceGivesWhatTheSameKxbGiveOnFloatsOneAfterAnother) {
    constexpr int kPiece = static_cast<int>(CCurveSamples::kPiece);
    constexpr int n = 3 * kPiece + 77;
    V copy = AwkwardSamples(n, 21);
    auto doc = DocOverSource(copy);
    const std::vector<Kxb> edits = {
        {100, n - 100, "2", "0.5"},           // most of the trace
        {kPiece - 5, kPiece + 5, "-1", "0"},  // nested, K < 0 across a piece's border
        {kPiece - 3, kPiece + 2, "0", "-0"},  // K = 0: zeros whose sign is the sum's
        {0, n, "-0.5", "3"},                  // the whole trace
        {500, 70000, "1e30", "0"},            // overflow to infinities
        {7, 9, "0", "1e38"},                  // infinities times 0: NaN
        {40000, 40016, "1e-45", "0"},         // down to the smallest floats and zero
        {n - 20, n, "-3", "-0"},              // the last, short block
        {1000, 60000, "0", "-0"},             // zeros of either sign, NaN, whole blocks
        {4096, 4100, "-3", "1"},              // from a border of every level's blocks
    };
    for (const Kxb& e : edits) Apply(*doc, copy, e);
    ExpectSameAsTheCopy(*doc, copy, "after a few");
    // Many more than are kept as rules: the older ones go into float pieces, in order.
    std::mt19937 rng(5);
    // One past the most, with those above: all of them in pieces, none left as a rule.
    for (std::size_t i = edits.size(); i < CCurveSamples::kMostRescalings + 1; ++i) {
        const int a = static_cast<int>(rng() % n), b = static_cast<int>(rng() % n);
        Apply(*doc, copy, {std::min(a, b), std::max(a, b) + 1, i % 3 ? "-1.25" : "0.75", "1"});
    }
    EXPECT_TRUE(doc->Trace().m_pSamples[0].Rescalings().empty());
    ExpectSameAsTheCopy(*doc, copy, "after many");
}

// Where a block's new extreme is 0 or NaN its samples decide it: which of +0 and -0 comes
// first, and what a block whose extremes were infinities times 0 still holds.
TEST(Rescaling, BlocksWhoseNewExtremesAreZeroOrNaNAreMadeFromTheirSamples) {
    constexpr float kInf = std::numeric_limits<float>::infinity();
    V s(64, -5.0f);
    std::copy_n(V{-0.25f, 0.25f}.begin(), 2, s.begin() + 16);  // to -0 and +0, -0 first
    std::copy_n(V{kInf, -kInf, 5.0f}.begin(), 3, s.begin() + 32);
    for (const Kxb& e : {Kxb{0, 64, "1e-45", "0"}, Kxb{32, 48, "0", "1"}}) {
        V copy = s;
        auto doc = DocOverSource(copy);
        Apply(*doc, copy, e);
        for (const int d : {16, 32, 64}) {
            doc->SetDecimation(d);
            EXPECT_TRUE(
                SameBits(Display(*doc), PlainDisplayEntries(copy, static_cast<std::size_t>(d))))
                << "kxb " << e.k << " " << e.b << ", decimation " << d;
        }
    }
}

// A kxb over more samples than are worth indexing again at once leaves its statistics
// blocks stale; ranges over them read the samples, and still agree bit for bit.
TEST(Rescaling, StatisticsOverAStaleIndexAreThoseOfTheSamples) {
    const int n = static_cast<int>(CStatsIndex::kMostRebuilt) + 5 * 4096 + 3;
    std::mt19937 rng(8);
    std::normal_distribution<float> noise(10.0f, 2.0f);
    V copy(static_cast<std::size_t>(n));
    for (float& x : copy) x = noise(rng);
    auto doc = DocOverSource(copy);
    Apply(*doc, copy, {1000, n - 1000, "3", "-1"});
    Apply(*doc, copy, {n - 5000, n - 4000, "-1", "0"});  // a few, indexed again at once
    ASSERT_NE(doc->StatsIndexes(), nullptr);
    EXPECT_GT(doc->StatsIndexes()[0].StaleSamples(0, n), CStatsIndex::kMostRebuilt);
    const CTraceData floats = TraceWithSamples({copy});
    for (const auto& [a, b] : {std::pair{0, n}, {n - 3 * 4096 - 7, n}, {0, 3 * 4096 + 5}}) {
        const SelectionStats got = ComputeSelectionStats(doc->Trace(), a, b, doc->StatsIndexes());
        const SelectionStats want = ComputeSelectionStats(floats, a, b);
        EXPECT_EQ(std::memcmp(&got.curves[0], &want.curves[0], sizeof(CurveStats)), 0)
            << a << ".." << b;
    }
}
