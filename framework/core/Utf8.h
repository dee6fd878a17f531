#pragma once
// Hand-made on purpose: one small pass that repairs ill-formed UTF-8, which no Debian library
// offers without pulling in a text stack. The system's texts are always well formed UTF-8.

#include <string>
#include <string_view>

// Copies bytes, replacing each byte of an ill-formed sequence (stray continuation bytes, overlong
// forms, surrogates, values past U+10FFFF, truncated sequences) by U+FFFD, as the desktop's decoder
// does.
std::string SanitizeUtf8(std::string_view bytes);
