#include "TraceTokens.h"

#include <cstring>

#include "NumberText.h"

namespace trace_tokens {

namespace {

inline bool IsSeparator(char c) { return c == ' ' || c == '\t' || c == ',' || c == ';' || c == ':'; }

}  // namespace

std::string_view LineText(std::string_view line) {
    for (std::size_t i = 0; i < line.size(); ++i)
        if (line[i] == '\r' || line[i] == '\0') return line.substr(0, i);
    return line;
}

std::string_view Collapse(std::string_view text, std::string& work) {
    if (work.size() < text.size()) work.resize(text.size());
    char* out = work.data();
    std::size_t run = 0;
    for (const char c : text) {
        if (IsSeparator(c)) {
            ++run;
            continue;
        }
        if (run > 0) {
            const std::size_t spaces = (run + 7) / 8;
            std::memset(out, ' ', spaces);
            out += spaces;
            run = 0;
        }
        *out++ = c;
    }
    // A trailing run is trimmed away whatever its length.
    const char* begin = work.data();
    while (begin < out && numtext::IsSpace(*begin)) ++begin;
    while (out > begin && numtext::IsSpace(out[-1])) --out;
    return std::string_view(begin, static_cast<std::size_t>(out - begin));
}

int Cut(std::string_view text, std::string_view tokens[MAX_TOKENS], std::size_t offsets[MAX_TOKENS]) {
    std::size_t pos = 0;
    for (int k = 0; k < MAX_TOKENS; ++k) {
        const std::size_t space = text.find(' ', pos);
        offsets[k] = pos;
        if (space == std::string_view::npos) {
            tokens[k] = text.substr(pos);
            return k + 1;
        }
        tokens[k] = text.substr(pos, space - pos);
        pos = space + 1;
    }
    return MAX_TOKENS;
}

bool IsBlank(std::string_view line) {
    for (const char c : line) {
        if (c == '\r' || c == '\0') return true;
        if (!IsSeparator(c) && !numtext::IsSpace(c)) return false;
    }
    return true;
}

}  // namespace trace_tokens
