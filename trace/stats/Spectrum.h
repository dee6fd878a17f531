#pragma once
// The amplitude spectrum of a range of samples: one windowed transform of the range padded to
// a power of two, or, for a range longer than a segment, Welch's mean of the power of
// half-overlapping segments. Amplitudes are single-sided and corrected by the window's gain,
// so a sine reads as its amplitude (at its bin's centre, or anywhere with the flat top). Each
// segment's mean is taken out before the window, so an offset leaks into no bin; 0 Hz reads
// the mean (the root mean square of the segments' means).

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "trace/model/CurveSamples.h"

enum class SpectrumWindow { hann, rectangular, hamming, blackmanHarris, flatTop };

// The names a user types and reads: "hann", "rectangular", "hamming", "blackman-harris",
// "flat-top".
const std::vector<std::string>& SpectrumWindowNames();
bool SpectrumWindowNamed(const std::string& name, SpectrumWindow& out);

// The window's n coefficients (periodic, as spectral analysis takes them).
std::vector<float> WindowCoefficients(SpectrumWindow window, int n);

struct SpectrumOptions {
    SpectrumWindow window = SpectrumWindow::hann;
    int segment = 65536;  // a power of two, 16 at least
};

struct CurveSpectrum {
    std::vector<float> amplitude;  // bins 0 .. size/2, in the curve's unit
    int peak = -1;                 // the strongest bin but 0 Hz above its neighbours, or -1
    std::int64_t notFinite = 0;    // samples that are NaN or infinite, taken as 0
};

struct Spectrum {
    int size = 0;           // of the transform: bin k is k / (size x step)
    int segments = 0;       // averaged (1 without Welch)
    std::int64_t used = 0;  // samples transformed (Welch leaves off a tail shorter than a hop)
    std::vector<CurveSpectrum> curves;
};

// The spectrum of samples first .. end-1 of each curve given. progress(n) is told every n
// samples transformed and may throw to stop. Fewer than 2 samples give size 0.
Spectrum ComputeSpectrum(const std::vector<const CCurveSamples*>& curves, std::int64_t first,
                         std::int64_t end, const SpectrumOptions& options,
                         const std::function<void(std::int64_t)>& progress = {});

// The frequency of bin k of a transform of `size` samples `step` apart: in hertz when the
// time unit has a known length in seconds, else in cycles per that unit.
struct FrequencyAxis {
    double perUnit;    // units of `unit` in a cycle per time unit
    double span;       // of the transform, in the time unit
    std::string unit;  // "Hz", or "1/" and the time unit
    // Multiplied first: 1e6 / 640 is 1562.5 where 1 / 6.4e-4 is not.
    double At(double k) const { return k * perUnit / span; }
    // A frequency for people: "16.6667 kHz", or "0.25 1/div".
    std::string Text(double f) const;
};
FrequencyAxis FrequencyAxisOf(double step, const std::string& stepUnit, int size);

// 20 log10 of an amplitude: dB relative to 1 unit of the curve.
double Decibels(double amplitude);
