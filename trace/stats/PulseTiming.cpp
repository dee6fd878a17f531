#include "trace/stats/PulseTiming.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <numeric>
#include <thread>
#include <vector>

#include "framework/core/TwoThreads.h"
#include "trace/model/CurveSamples.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr int kBins = 1024;
// A state level holds at least this many samples: a lone glitch is none.
constexpr std::int64_t kFewest = 3;
constexpr std::int64_t kChunk = std::int64_t{1} << 16;
constexpr float kMostFinite = std::numeric_limits<float>::max();

// visit(at, s, m) for samples first .. first+n-1, m samples from sample `at` at a time.
template <class Visit>
void ForEachChunk(const CCurveSamples& samples, std::int64_t first, std::int64_t n,
                  const std::function<void(std::int64_t)>& progress, Visit visit) {
    std::vector<float> buffer(static_cast<std::size_t>(std::min(kChunk, n)));
    for (std::int64_t at = first; at < first + n; at += kChunk) {
        const std::int64_t m = std::min(kChunk, first + n - at);
        visit(at, samples.View(at, m, buffer.data()), m);
        if (progress) progress(m);
    }
}

// visit(half, s, m) for samples first .. first+n-1 in two halves, one a thread, each half's
// chunks in order, so that what a half adds up is the same from run to run. progress is told
// on this thread, for both, and may throw to stop both.
template <class Visit>
void ForEachChunkInHalves(const CCurveSamples& samples, std::int64_t first, std::int64_t n,
                          const std::function<void(std::int64_t)>& progress, Visit visit) {
    const std::int64_t half = std::min(n, (n / 2 + kChunk - 1) / kChunk * kChunk);
    const std::thread::id caller = std::this_thread::get_id();
    std::atomic<std::int64_t> done{0};
    std::atomic<bool> stop{false};
    std::int64_t told = 0;
    ForEachOnTwoThreads(half < n ? 2 : 1, [&](int h) {
        const std::int64_t from = first + (h == 0 ? 0 : half);
        const std::int64_t to = first + (h == 0 ? half : n);
        std::vector<float> buffer(static_cast<std::size_t>(std::min(kChunk, to - from)));
        try {
            for (std::int64_t at = from; at < to && !stop.load(); at += kChunk) {
                const std::int64_t m = std::min(kChunk, to - at);
                visit(h, samples.View(at, m, buffer.data()), m);
                done.fetch_add(m);
                if (progress && std::this_thread::get_id() == caller) {
                    const std::int64_t now = done.load();
                    progress(now - told);
                    told = now;
                }
            }
        } catch (...) {
            stop.store(true);
            throw;
        }
    });
    if (progress && done.load() > told) progress(done.load() - told);
}

PulseValue Known(double value) {
    return {value, {}};
}
PulseValue Unknown(std::string why) {
    return {kNaN, std::move(why)};
}

struct Levels {
    double low = kNaN, high = kNaN;
    std::string note, why;
};

// The mode of a half of the histogram, the mean of the samples in its bin; NaN when the half
// has no clear mode (its fullest bin holds less than twice what its other filled bins hold on
// average, as a ramp's or a triangle's do).
double ModeOf(const std::array<std::int64_t, kBins>& count, const std::array<double, kBins>& sum,
              int from, int to) {
    int mode = from, filled = 0;
    std::int64_t total = 0;
    for (int b = from; b < to; ++b) {
        if (count[b] > count[mode]) mode = b;
        filled += count[b] > 0;
        total += count[b];
    }
    if (count[mode] < kFewest ||
        (filled > 1 && count[mode] * (filled - 1) < 2 * (total - count[mode])))
        return kNaN;
    return sum[mode] / static_cast<double>(count[mode]);
}

// The smallest and largest finite samples of the range, a half a thread.
void FiniteExtremes(const CCurveSamples& samples, std::int64_t first, std::int64_t n,
                    const std::function<void(std::int64_t)>& progress, float (&lo)[2],
                    float (&hi)[2]) {
    ForEachChunkInHalves(samples, first, n, progress, [&](int h, const float* s, std::int64_t m) {
        // Without a branch a sample: NaN and the infinities fail the range test.
        float l = lo[h], u = hi[h];
        for (std::int64_t j = 0; j < m; ++j) {
            const bool finite = std::abs(s[j]) <= kMostFinite;
            l = finite && s[j] < l ? s[j] : l;
            u = finite && s[j] > u ? s[j] : u;
        }
        lo[h] = l;
        hi[h] = u;
    });
}

Levels FindLevels(const CCurveSamples& samples, std::int64_t first, std::int64_t n,
                  const std::function<void(std::int64_t)>& progress, const KnownExtremes* known) {
    constexpr float kInf = std::numeric_limits<float>::infinity();
    float lo[2] = {kInf, kInf}, hi[2] = {-kInf, -kInf};
    // Finite extremes of every sample but NaN are those of the finite ones: no pass for them.
    if (known != nullptr && std::isfinite(known->min) && std::isfinite(known->max)) {
        lo[0] = static_cast<float>(known->min);
        hi[0] = static_cast<float>(known->max);
    } else {
        FiniteExtremes(samples, first, n, progress, lo, hi);
    }
    const double mn = std::min(lo[0], lo[1]), mx = std::max(hi[0], hi[1]);
    Levels levels;
    if (!(mx >= mn)) {
        levels.why = "the range holds no numbers";
        return levels;
    }
    if (!(mx > mn)) {
        levels.why = "the range holds no two different numbers";
        return levels;
    }
    std::array<std::int64_t, kBins> count{}, halfCount{};
    std::array<double, kBins> sum{}, halfSum{};
    const double scale = kBins / (mx - mn);
    ForEachChunkInHalves(samples, first, n, progress, [&](int h, const float* s, std::int64_t m) {
        auto& c = h == 0 ? count : halfCount;
        auto& t = h == 0 ? sum : halfSum;
        for (std::int64_t j = 0; j < m; ++j) {
            const float x = s[j];
            if (!(std::abs(x) <= kMostFinite)) continue;
            const auto bin =
                static_cast<std::size_t>(std::min(kBins - 1, static_cast<int>((x - mn) * scale)));
            ++c[bin];
            t[bin] += x;
        }
    });
    for (std::size_t b = 0; b < kBins; ++b) count[b] += halfCount[b], sum[b] += halfSum[b];
    // A half with no clear mode that holds next to nothing (glitches far beyond the signal)
    // is left out, and the rest halved again, while the rest is wide enough to tell levels.
    int from = 0, to = kBins;
    const std::int64_t all = std::accumulate(count.begin(), count.end(), std::int64_t{0});
    const auto held = [&count](int a, int b) {
        return std::accumulate(count.begin() + a, count.begin() + b, std::int64_t{0});
    };
    for (;;) {
        const int mid = (from + to) / 2;
        levels.low = ModeOf(count, sum, from, mid);
        levels.high = ModeOf(count, sum, mid, to);
        if (to - from < 32) break;
        if (std::isnan(levels.high) && held(mid, to) * 100 < all)
            to = mid;
        else if (std::isnan(levels.low) && held(from, mid) * 100 < all)
            from = mid;
        else
            break;
    }
    if (from > 0 || to < kBins)
        levels.note = "samples beyond the levels, under 1 % of them, were left out of them";
    const double width = (mx - mn) / kBins;
    if (std::isnan(levels.low)) {
        levels.low = mn + from * width;
        levels.note += std::string(levels.note.empty() ? "" : "; ") +
                       "the lower half of the histogram has no clear mode: the minimum is the low "
                       "level";
    }
    if (std::isnan(levels.high)) {
        levels.high = mn + to * width;
        levels.note += std::string(levels.note.empty() ? "" : "; ") +
                       "the upper half of the histogram has no clear mode: the maximum is the "
                       "high level";
    }
    return levels;
}

// Edges with hysteresis, one sample at a time, and what each measurement adds up.
struct EdgeScan {
    double low, high, amplitude, r10, r50, r90;

    int state = 0;  // -1 low, +1 high, 0 not known yet
    bool hasPrev = false, stateFromEdge = false;
    double prev = 0;
    std::int64_t prevAt = 0;
    double up10 = kNaN, up50 = kNaN, down90 = kNaN, down50 = kNaN;
    double peak = 0, trough = 0;

    std::int64_t rising = 0, falling = 0;
    double riseSum = 0, fallSum = 0, overSum = 0, underSum = 0, posSum = 0, negSum = 0;
    std::int64_t riseN = 0, fallN = 0, overN = 0, underN = 0, posN = 0, negN = 0;
    // The 50 % crossing of the last edge each way, NaN when that edge had none (a gap);
    // periods are made of consecutive crossings only.
    double lastRise = kNaN, lastFall = kNaN;
    double risePeriods = 0, fallPeriods = 0;
    std::int64_t risePeriodN = 0, fallPeriodN = 0;

    EdgeScan(double lo, double hi)
        : low(lo),
          high(hi),
          amplitude(hi - lo),
          r10(lo + 0.1 * (hi - lo)),
          r50(lo + 0.5 * (hi - lo)),
          r90(lo + 0.9 * (hi - lo)) {}

    // Where the line from the previous sample to x meets level r.
    double Cross(double r, std::int64_t i, double x) const {
        return static_cast<double>(prevAt) +
               (r - prev) / (x - prev) * static_cast<double>(i - prevAt);
    }

    void EndHigh() {
        if (state == 1 && stateFromEdge) {
            overSum += std::max(0.0, (peak - high) / amplitude * 100);
            ++overN;
        }
    }
    void EndLow() {
        if (state == -1 && stateFromEdge) {
            underSum += std::max(0.0, (low - trough) / amplitude * 100);
            ++underN;
        }
    }

    void Rise(std::int64_t i, double x) {
        // Right after a gap the crossing is hidden in it.
        const double t90 = !hasPrev ? kNaN : prev < r90 ? Cross(r90, i, x) : static_cast<double>(i);
        ++rising;
        if (!std::isnan(up10) && !std::isnan(t90)) riseSum += t90 - up10, ++riseN;
        if (!std::isnan(up50) && !std::isnan(lastFall)) negSum += up50 - lastFall, ++negN;
        if (!std::isnan(up50) && !std::isnan(lastRise))
            risePeriods += up50 - lastRise, ++risePeriodN;
        lastRise = up50;
        EndLow();
    }
    void Fall(std::int64_t i, double x) {
        const double t10 = !hasPrev ? kNaN : prev > r10 ? Cross(r10, i, x) : static_cast<double>(i);
        ++falling;
        if (!std::isnan(down90) && !std::isnan(t10)) fallSum += t10 - down90, ++fallN;
        if (!std::isnan(down50) && !std::isnan(lastRise)) posSum += down50 - lastRise, ++posN;
        if (!std::isnan(down50) && !std::isnan(lastFall))
            fallPeriods += down50 - lastFall, ++fallPeriodN;
        lastFall = down50;
        EndHigh();
    }

    // Samples at .. at+m-1. A sample that stays beyond the level it is at (the most, on a
    // pulse's flat parts) changes only the peak or trough, and no crossing.
    void Run(std::int64_t at, const float* s, std::int64_t m) {
        for (std::int64_t j = 0; j < m; ++j) {
            const float x = s[j];
            if (hasPrev && state == 1 && x > r90 && prev > r90 && x < kMostFinite) {
                peak = std::max(peak, static_cast<double>(x));
                prev = x;
            } else if (hasPrev && state == -1 && x < r10 && prev < r10 && x > -kMostFinite) {
                trough = std::min(trough, static_cast<double>(x));
                prev = x;
            } else {
                Take(at + j, x);
                continue;
            }
            prevAt = at + j;
        }
    }

    void Take(std::int64_t i, float sample) {
        if (!std::isfinite(sample)) {  // no crossing across a gap
            hasPrev = false;
            return;
        }
        const double x = sample;
        if (hasPrev) {
            if (prev < r10 && x >= r10) up10 = Cross(r10, i, x);
            if (prev < r50 && x >= r50) up50 = Cross(r50, i, x);
            if (prev > r90 && x <= r90) down90 = Cross(r90, i, x);
            if (prev > r50 && x <= r50) down50 = Cross(r50, i, x);
        }
        if (state != 1 && x >= r90) {
            if (state == -1) Rise(i, x);
            stateFromEdge = state == -1;
            state = 1;
            peak = x;
        } else if (state != -1 && x <= r10) {
            if (state == 1) Fall(i, x);
            stateFromEdge = state == 1;
            state = -1;
            trough = x;
        } else {
            peak = std::max(peak, x);
            trough = std::min(trough, x);
        }
        // Crossings count for the next edge only from the last time the signal was beyond.
        if (x < r10) up10 = up50 = kNaN;
        if (x > r90) down90 = down50 = kNaN;
        prev = x;
        prevAt = i;
        hasPrev = true;
    }
};

void Conclude(EdgeScan& scan, PulseTiming& t) {
    // The pulses the range cuts count only where no whole one is there to count.
    if (scan.overN == 0) scan.EndHigh();
    if (scan.underN == 0) scan.EndLow();
    t.rising = scan.rising;
    t.falling = scan.falling;
    t.riseTime = scan.riseN > 0 ? Known(scan.riseSum / static_cast<double>(scan.riseN))
                                : Unknown("no rising edge from the 10 % to the 90 % level");
    t.fallTime = scan.fallN > 0 ? Known(scan.fallSum / static_cast<double>(scan.fallN))
                                : Unknown("no falling edge from the 90 % to the 10 % level");
    // Whole cycles between 50 % crossings of one direction: the rising ones where there are
    // any (a PWM signal's frame), else the falling ones.
    const bool byRise = scan.risePeriodN > 0;
    t.cycles = byRise ? scan.risePeriodN : scan.fallPeriodN;
    if (t.cycles > 0) {
        const double span = byRise ? scan.risePeriods : scan.fallPeriods;
        t.period = Known(span / static_cast<double>(t.cycles));
        t.frequency = Known(1 / t.period.value);
    } else {
        t.period = t.frequency = Unknown("fewer than two edges of one direction: no whole cycle");
    }
    t.positiveWidth = scan.posN > 0 ? Known(scan.posSum / static_cast<double>(scan.posN))
                                    : Unknown("no rising edge followed by a falling one");
    t.negativeWidth = scan.negN > 0 ? Known(scan.negSum / static_cast<double>(scan.negN))
                                    : Unknown("no falling edge followed by a rising one");
    if (!t.period.Known())
        t.duty = Unknown(t.period.why);
    else if (!t.positiveWidth.Known())
        t.duty = Unknown(t.positiveWidth.why);
    else
        t.duty = Known(t.positiveWidth.value / t.period.value * 100);
    t.overshoot = scan.overN > 0 ? Known(scan.overSum / static_cast<double>(scan.overN))
                                 : Unknown("no rising edge");
    t.undershoot = scan.underN > 0 ? Known(scan.underSum / static_cast<double>(scan.underN))
                                   : Unknown("no falling edge");
}

}  // namespace

PulseTiming MeasurePulses(const CCurveSamples& samples, std::int64_t first, std::int64_t n,
                          const std::function<void(std::int64_t)>& progress,
                          const KnownExtremes* known) {
    PulseTiming t;
    const Levels levels = samples && n > 0 ? FindLevels(samples, first, n, progress, known)
                                           : Levels{kNaN, kNaN, {}, "the range holds no samples"};
    if (!levels.why.empty()) {
        for (PulseValue* v :
             {&t.low, &t.high, &t.amplitude, &t.period, &t.frequency, &t.positiveWidth,
              &t.negativeWidth, &t.duty, &t.riseTime, &t.fallTime, &t.overshoot, &t.undershoot})
            *v = Unknown(levels.why);
        return t;
    }
    t.low = Known(levels.low);
    t.high = Known(levels.high);
    t.amplitude = Known(levels.high - levels.low);
    t.levelsNote = levels.note;
    EdgeScan scan(levels.low, levels.high);
    ForEachChunk(samples, first, n, progress,
                 [&scan](std::int64_t at, const float* s, std::int64_t m) { scan.Run(at, s, m); });
    Conclude(scan, t);
    return t;
}
