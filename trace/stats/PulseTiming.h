#pragma once
// Pulse and timing measurements of a range of one curve, by the usual rules for pulse
// waveforms: the low and high state levels are the modes of the lower and upper halves of the
// samples' histogram; reference levels at 10 %, 50 % and 90 % of the amplitude; an edge is a
// passage from at most the 10 % level to at least the 90 % level (or back), so that noise
// between them makes no edge; a crossing is interpolated between the samples about it.
// Times are in samples; the caller scales them by the step.

#include <cstdint>
#include <functional>
#include <limits>
#include <string>

class CCurveSamples;

// A measurement, or NaN and the reason the signal does not allow it.
struct PulseValue {
    double value = std::numeric_limits<double>::quiet_NaN();
    std::string why;
    bool Known() const { return why.empty(); }
};

struct PulseTiming {
    PulseValue low, high, amplitude;
    // Said when a half of the histogram had no clear mode and its extreme was taken instead.
    std::string levelsNote;
    std::int64_t rising = 0, falling = 0;  // edges
    PulseValue period, frequency;          // samples, cycles per sample
    std::int64_t cycles = 0;               // whole cycles the period is the mean of
    PulseValue positiveWidth, negativeWidth;
    PulseValue duty;                   // percent of the period
    PulseValue riseTime, fallTime;     // 10 % to 90 %, mean over the edges
    PulseValue overshoot, undershoot;  // percent of the amplitude, mean over whole pulses
};

// The measurements of samples first .. first+n-1. NaN samples break the signal: no crossing
// is made across them. progress(n) is told of samples looked at (three passes, two when the
// extremes are known) and may throw to stop. known: the smallest and the largest sample that
// is not NaN, as the statistics give them, which saves a pass when both are finite.
struct KnownExtremes {
    double min, max;
};
PulseTiming MeasurePulses(const CCurveSamples& samples, std::int64_t first, std::int64_t n,
                          const std::function<void(std::int64_t)>& progress = {},
                          const KnownExtremes* known = nullptr);
