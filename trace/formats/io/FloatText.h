#pragma once
// Float samples as text that the readers turn back into the very same floats.

#include <string_view>

namespace float_text {

// "%g" with p significant digits, into text.
std::string_view General(double v, int p, char (&text)[32]);

// The fewest significant digits, 6 or more, that read back to the same float, so a value
// "%g" already writes exactly keeps those bytes. Infinities are written as numbers beyond
// the float range, which read back as infinities; NaN, which has no such text, as "nan".
std::string_view RoundTripText(float v, char (&text)[32]);

}  // namespace float_text
