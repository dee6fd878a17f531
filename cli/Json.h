#pragma once
// JSON as the CLI writes it: a streaming writer with the shortest round-trip float text,
// which is all it needs and smaller than any JSON library.

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

}  // namespace json
