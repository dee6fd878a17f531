#pragma once
// One small pass that repairs ill-formed UTF-8 (no Debian library offers it without a whole
// text stack), so that every text the program holds is well formed.

#include <string>
#include <string_view>

// Copies bytes, replacing each byte of an ill-formed sequence (stray continuation bytes, overlong
// forms, surrogates, values past U+10FFFF, truncated sequences) by U+FFFD, so that a damaged
// name shows where it is damaged and the rest reads as written.
std::string SanitizeUtf8(std::string_view bytes);

// Whether every byte belongs to a well-formed sequence.
bool IsValidUtf8(std::string_view bytes);

// Latin-1 (ISO 8859-1) bytes as UTF-8: each byte is the code point of its value.
std::string Latin1ToUtf8(std::string_view bytes);
