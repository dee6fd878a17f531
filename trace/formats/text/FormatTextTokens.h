#pragma once
// How a trace line is cut into tokens. Tabs, ',', ';' and ':' count as spaces; runs of
// spaces collapse as three passes of "two spaces become one" would collapse them (a run of k
// becomes ceil(k / 8)), so long runs leave empty tokens; the ends are trimmed; then the text
// is cut at single spaces into at most 8 tokens, the rest of the line being dropped.

#include <string>
#include <string_view>

namespace trace_tokens {

constexpr int MAX_TOKENS = 8;

// The line's text: the bytes before the first carriage return or NUL byte.
std::string_view LineText(std::string_view line);

// The collapsed and trimmed working copy of `text`, held in `work`.
std::string_view Collapse(std::string_view text, std::string& work);

// Cuts collapsed text; returns the token count (1..8: empty text gives one empty token).
// offsets[k] is where token k starts in `text`.
int Cut(std::string_view text, std::string_view tokens[MAX_TOKENS],
        std::size_t offsets[MAX_TOKENS]);

// The values of a data row: the real-number conversion of the rest of the working copy from
// each token on, so an empty token takes the value of the number after it. Returns how many
// (0 for a blank row). `work` is scratch space. `readable` more bytes after the line may be
// read (never interpreted), which lets numbers be read a window at a time.
int ReadRow(std::string_view line, std::string& work, float values[MAX_TOKENS],
            std::size_t readable = 0);

// The same, plainly through the working copy: slower, and the reference ReadRow is tested
// against.
int ReadRowThroughWorkingCopy(std::string_view line, std::string& work, float values[MAX_TOKENS]);

// True when the line's text holds nothing but separators and white space.
bool IsBlank(std::string_view line);

}  // namespace trace_tokens
