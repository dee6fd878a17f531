#include "trace/stats/Spectrum.h"

#include <fmt/format.h>
#include <kissfft/kiss_fftr.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <numbers>
#include <thread>

#include "framework/core/TwoThreads.h"
#include "trace/model/TimeBase.h"

namespace {

// A real transform of one size with its own scratch: kiss_fftr writes into its plan, so each
// thread has one.
class RealTransform {
public:
    explicit RealTransform(int size)
        : m_plan(kiss_fftr_alloc(size, 0, nullptr, nullptr)),
          m_out(static_cast<std::size_t>(size / 2 + 1)) {
        if (m_plan == nullptr) throw std::bad_alloc();
    }
    ~RealTransform() { kiss_fftr_free(m_plan); }
    RealTransform(const RealTransform&) = delete;
    RealTransform& operator=(const RealTransform&) = delete;

    // |X_k|^2 of in (size samples) added to power[k].
    void AddPower(const float* in, double* power) {
        kiss_fftr(m_plan, in, m_out.data());
        for (std::size_t k = 0; k < m_out.size(); ++k)
            power[k] += static_cast<double>(m_out[k].r) * m_out[k].r +
                        static_cast<double>(m_out[k].i) * m_out[k].i;
    }

private:
    kiss_fftr_cfg m_plan;
    std::vector<kiss_fft_cpx> m_out;
};

// The cosine sum a0 - a1 cos x + a2 cos 2x - ... of the window's coefficients.
std::vector<double> CosineTerms(SpectrumWindow window) {
    switch (window) {
        case SpectrumWindow::hann:
            return {0.5, 0.5};
        case SpectrumWindow::rectangular:
            return {1.0};
        case SpectrumWindow::hamming:
            return {0.54, 0.46};
        case SpectrumWindow::blackmanHarris:
            return {0.35875, 0.48829, 0.14128, 0.01168};
        case SpectrumWindow::flatTop:
            return {0.21557895, 0.41663158, 0.277263158, 0.083578947, 0.006947368};
    }
    return {1.0};
}

int PowerOfTwoAtLeast(std::int64_t n) {
    int size = 2;
    while (size < n) size *= 2;
    return size;
}

struct Plan {
    int size = 0, window = 0, hop = 0, segments = 0;
};

Plan PlanOf(std::int64_t n, int segment) {
    Plan p;
    if (n < 2) return p;
    if (n <= segment) {
        p.window = static_cast<int>(n);
        p.size = PowerOfTwoAtLeast(n);
        p.segments = 1;
        p.hop = p.window;
    } else {
        p.size = p.window = segment;
        p.hop = segment / 2;
        p.segments = static_cast<int>((n - segment) / p.hop + 1);
    }
    return p;
}

// One curve: the power of each bin summed over the segments, two halves of the segments on
// two threads, each half in order, so the sums are the same from run to run.
std::vector<double> SummedPower(const CCurveSamples& samples, std::int64_t first, const Plan& p,
                                const std::vector<float>& window, double gain, std::int64_t& nan,
                                const std::function<void(std::int64_t)>& progress) {
    const auto bins = static_cast<std::size_t>(p.size / 2 + 1);
    std::vector<double> power[2] = {std::vector<double>(bins), std::vector<double>(bins)};
    std::int64_t nans[2] = {0, 0};
    double means[2] = {0, 0};  // the squares of the segments' means, scaled as a bin's power
    const int half = (p.segments + 1) / 2;
    const std::thread::id caller = std::this_thread::get_id();
    std::atomic<std::int64_t> done{0};
    std::atomic<bool> stop{false};
    std::int64_t told = 0;
    ForEachOnTwoThreads(p.segments > 1 ? 2 : 1, [&](int h) {
        RealTransform transform(p.size);
        std::vector<float> buffer(static_cast<std::size_t>(p.window));
        std::vector<float> in(static_cast<std::size_t>(p.size), 0.0f);
        try {
            for (int s = h == 0 ? 0 : half; s < (h == 0 ? half : p.segments) && !stop; ++s) {
                const float* x =
                    samples.View(first + std::int64_t{s} * p.hop, p.window, buffer.data());
                // Samples that are not finite count as 0, each once: a segment counts those
                // that the next one does not hold again.
                const int own = s + 1 == p.segments ? p.window : p.hop;
                double sum = 0;
                for (int i = 0; i < p.window; ++i) {
                    const bool finite = std::isfinite(x[i]);
                    nans[h] += !finite && i < own;
                    sum += finite ? x[i] : 0.0;
                }
                // The segment's mean is taken out before the window, so that an offset leaks
                // into no other bin; 0 Hz gets the mean itself.
                const double mean = sum / p.window;
                for (int i = 0; i < p.window; ++i) {
                    const double v = (std::isfinite(x[i]) ? x[i] : 0.0) - mean;
                    in[static_cast<std::size_t>(i)] =
                        static_cast<float>(v) * window[static_cast<std::size_t>(i)];
                }
                transform.AddPower(in.data(), power[h].data());
                means[h] += mean * mean * gain * gain;
                done.fetch_add(p.hop);
                if (progress && std::this_thread::get_id() == caller) {
                    const std::int64_t now = done.load();
                    progress(now - told);
                    told = now;
                }
            }
        } catch (...) {
            stop = true;
            throw;
        }
    });
    if (progress && done.load() > told) progress(done.load() - told);
    for (std::size_t k = 0; k < bins; ++k) power[0][k] += power[1][k];
    power[0][0] = means[0] + means[1];  // what is left at 0 Hz is the window's, not the signal's
    nan = nans[0] + nans[1];
    return power[0];
}

// The strongest bin but 0 Hz that stands above the bin before it (0 Hz aside, which holds the
// mean) and is not below the one after; -1 when there is none (a constant, or silence).
int StrongestPeak(const std::vector<float>& a) {
    int peak = -1;
    for (std::size_t k = 1; k < a.size(); ++k) {
        const bool top =
            a[k] > 0 && (k == 1 || a[k] > a[k - 1]) && (k + 1 == a.size() || a[k] >= a[k + 1]);
        if (top && (peak < 0 || a[k] > a[static_cast<std::size_t>(peak)]))
            peak = static_cast<int>(k);
    }
    return peak;
}

}  // namespace

const std::vector<std::string>& SpectrumWindowNames() {
    static const std::vector<std::string> names = {"hann", "rectangular", "hamming",
                                                   "blackman-harris", "flat-top"};
    return names;
}

bool SpectrumWindowNamed(const std::string& name, SpectrumWindow& out) {
    const auto& names = SpectrumWindowNames();
    const auto at = std::find(names.begin(), names.end(), name);
    if (at == names.end()) return false;
    out = static_cast<SpectrumWindow>(at - names.begin());
    return true;
}

std::vector<float> WindowCoefficients(SpectrumWindow window, int n) {
    const std::vector<double> terms = CosineTerms(window);
    std::vector<float> w(static_cast<std::size_t>(std::max(n, 0)));
    for (int i = 0; i < n; ++i) {
        const double x = 2 * std::numbers::pi * i / n;
        double sum = 0;
        for (std::size_t t = 0; t < terms.size(); ++t)
            sum += (t % 2 ? -1 : 1) * terms[t] * std::cos(static_cast<double>(t) * x);
        w[static_cast<std::size_t>(i)] = static_cast<float>(sum);
    }
    return w;
}

Spectrum ComputeSpectrum(const std::vector<const CCurveSamples*>& curves, std::int64_t first,
                         std::int64_t end, const SpectrumOptions& options,
                         const std::function<void(std::int64_t)>& progress) {
    Spectrum out;
    const Plan p = PlanOf(end - first, std::max(options.segment, 16));
    if (p.segments == 0) return out;
    out.size = p.size;
    out.segments = p.segments;
    out.used = std::int64_t{p.segments - 1} * p.hop + p.window;
    const std::vector<float> window = WindowCoefficients(options.window, p.window);
    double gain = 0;  // what the window keeps of a sine's amplitude, times the samples
    for (const float w : window) gain += w;
    for (const CCurveSamples* samples : curves) {
        CurveSpectrum c;
        if (samples == nullptr || !*samples) {
            out.curves.push_back(std::move(c));
            continue;
        }
        const std::vector<double> power =
            SummedPower(*samples, first, p, window, gain, c.notFinite, progress);
        c.amplitude.resize(power.size());
        for (std::size_t k = 0; k < power.size(); ++k) {
            // Single-sided: every bin but 0 Hz and the last holds half of its sine.
            const double sides = k == 0 || k + 1 == power.size() ? 1 : 2;
            c.amplitude[k] = static_cast<float>(sides * std::sqrt(power[k] / p.segments) / gain);
        }
        c.peak = StrongestPeak(c.amplitude);
        out.curves.push_back(std::move(c));
    }
    return out;
}

FrequencyAxis FrequencyAxisOf(double step, const std::string& stepUnit, int size) {
    const double span = size * step;
    const double seconds = timebase::SecondsPerWord(stepUnit);
    if (seconds <= 0) return {1, span, "1/" + stepUnit};
    // 1 / 1e-6 is not quite a million in double; the unit's own count is.
    const double perUnit = 1 / seconds, whole = std::round(perUnit);
    return {std::abs(perUnit - whole) < 1e-9 * whole ? whole : perUnit, span, "Hz"};
}

std::string FrequencyAxis::Text(double f) const {
    return unit == "Hz" ? timebase::HertzText(f) : fmt::format("{:.6g} {}", f, unit);
}

double Decibels(double amplitude) {
    return 20 * std::log10(amplitude);
}
