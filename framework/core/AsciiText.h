#pragma once
// Letter case of ASCII text, the same in every process locale: file extensions, format
// keywords and words in cells compare this way, never through the C library's tolower.

#include <algorithm>
#include <string_view>

constexpr char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// a and b equal with ASCII letters folded to lower case; other bytes compared as they are.
constexpr bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiLower(x) == AsciiLower(y);
           });
}
