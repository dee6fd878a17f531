#pragma once
// UTF-8 as the system's texts hold it: always well formed.

#include <string>
#include <string_view>

// Copies bytes, replacing each byte of an ill-formed sequence (stray continuation bytes, overlong
// forms, surrogates, values past U+10FFFF, truncated sequences) by U+FFFD, as the desktop's decoder
// does.
std::string SanitizeUtf8(std::string_view bytes);
