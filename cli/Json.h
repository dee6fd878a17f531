#pragma once
// Just enough JSON writing for the CLI's reports.

#include <string>
#include <string_view>

namespace json {

// A quoted JSON string; the text is well-formed UTF-8, control characters are escaped.
std::string Quote(std::string_view text);

// A float in the shortest form that reads back exactly; infinities and NaN, which JSON has no
// numbers for, as the strings "inf", "-inf" and "nan".
std::string Number(float value);

}  // namespace json
