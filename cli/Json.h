#pragma once
// JSON as the CLI writes it, for every subcommand that prints JSON: the shortest round-trip
// float text, and no bare number JSON cannot hold (infinities and NaN are strings).

#include <string>
#include <string_view>

namespace json {

// A quoted JSON string; the text is well-formed UTF-8, control characters are escaped.
std::string Quote(std::string_view text);

// A float in the shortest form that reads back exactly; infinities and NaN, which JSON has no
// numbers for, as the strings "inf", "-inf" and "nan".
std::string Number(float value);
// A double the same way.
std::string Real(double value);
// A time or step as the trace's own text gives it (timebase::ExactText), the same way.
std::string Exact(double value);

}  // namespace json
