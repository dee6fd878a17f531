#pragma once
// The time base of a trace: the step between two samples as a number of its unit (any value:
// 40 ns, 1.25 ns, 1/150 s, 10 days in s), and the one rule that turns a sample index into a
// time. The grid and the read-out, the Measurements dock, the statistics, `tesqv-cli info`,
// the CSV time column and the .txt Step line all go through it, so they agree.

#include <cstdint>
#include <string>
#include <string_view>

namespace timebase {

// Seconds per unit: "ps", "ns", "us", "ms" and "s"; any other text counts as seconds, as it
// always has.
double SecondsPer(std::string_view unit);

// A unit word as files write it ("sec", "Seconds", "µs", "msec", "[S]" ...) as one of the
// five above; empty when it names no time unit.
std::string NormalUnit(std::string_view word);

// Seconds per unit for a unit word as files write it; 0 when it names no time unit known
// here (a frequency from it would be a guess).
double SecondsPerWord(std::string_view word);

// A step given in seconds, in the unit it reads best in (the largest of s, ms, us, ns, ps
// that keeps it at 1 or more), to 12 significant digits so that 2e-5 s is 20 us exactly.
struct Step {
    double value;
    std::string unit;
};
Step StepOf(double seconds);

// The shortest text that reads back as this double: whole values as integers ("200000",
// "-3"), others with up to 17 significant digits ("1.25", "0.006666666666666667").
std::string ExactText(double value);

// The time of sample j, origin + j * step, in the decimals the origin and the step are
// written in: with a step of 6.66666666667, sample 100 is at "666.666666667", not at the
// "666.6666666670001" the product comes to in binary.
std::string SampleTimeText(double origin, double step, std::int64_t j);

// A time in the step's unit for people: whole values as integers, others to 12 significant
// digits ("1", "0.333333333333").
std::string ReadableText(double value);

// A frequency for people: six significant digits in the prefix that reads best ("80 Hz",
// "16.6667 kHz").
std::string HertzText(double hertz);

// The time label of t (in `unit`) for labels `spacing` apart (same unit): "us" steps as
// milliseconds with two decimals ("1.50ms"), "ns" steps as microseconds and "ps" steps as
// nanoseconds the same way; every other unit as [h:]mm:ss, with as many decimals of a second
// as it takes for labels `spacing` apart never to read the same. More decimals than two
// only where two would not tell neighbours apart.
std::string Label(double t, double spacing, std::string_view unit);

}  // namespace timebase
