#pragma once
// Number text that never depends on the process locale (the GUI toolkit sets it from the
// environment). Readers convert leniently, as the desktop run-time's _wtof/_wtoi do: leading
// white space is skipped, the longest decimal prefix is taken, and no number gives 0.

#include <cstddef>
#include <string>
#include <string_view>

namespace numtext {

// Optional sign, digits with an optional point, optional exponent. No hex, no "inf"/"nan"
// words. Correctly rounded; out-of-range magnitudes give +-infinity or +-0.
double ParseReal(std::string_view text);

// Optional sign and decimal digits; values beyond the int range saturate.
int ParseInt(std::string_view text);

// ASCII white space as the C run-time knows it: space, \t, \n, \v, \f, \r.
inline bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// double -> float without undefined behaviour: beyond the float range gives +-infinity.
float NarrowToFloat(double value);

// Floating -> int without undefined behaviour: NaN gives 0, out-of-range values saturate,
// everything else truncates toward zero.
int ToIntSaturated(double value);

// The shortest text that reads back as exactly this float ("1.5", "1e+20", "-0").
std::string ShortestText(float value);

}  // namespace numtext
