#include "trace/formats/text/FormatTextTokens.h"

#include <array>
#include <cstring>

#include "framework/core/NumberText.h"

namespace trace_tokens {

namespace {

inline bool IsSeparator(char c) {
    return c == ' ' || c == '\t' || c == ',' || c == ';' || c == ':';
}

enum ByteClass : unsigned char { kText, kSeparator, kLineEnd, kOddSpace };

constexpr auto kByteClass = [] {
    std::array<ByteClass, 256> t{};
    for (const unsigned char c : {' ', '\t', ',', ';', ':'}) t[c] = kSeparator;
    t['\r'] = t['\0'] = kLineEnd;
    t['\v'] = t['\f'] = kOddSpace;
    return t;
}();

inline ByteClass ClassOf(char c) {
    return kByteClass[static_cast<unsigned char>(c)];
}

// Straight from the line's bytes in the common case: where no interior run is longer than 8
// separators and no \v or \f occurs, every run collapses to one space, tokens are the runs
// of other bytes, and a number ends before any separator. Returns -1 for any other row.
int ScanRow(std::string_view line, float values[MAX_TOKENS], std::size_t readable) {
    const char* p = line.data();
    const char* const e = p + line.size();
    const char* const readableEnd = e + readable;
    int n = 0;
    for (;;) {
        const char* const runStart = p;
        while (p < e && ClassOf(*p) == kSeparator) ++p;
        if (p == e || ClassOf(*p) == kLineEnd) return n;  // a trailing run is trimmed
        if (n == MAX_TOKENS) return n;                    // the rest of the row is dropped
        if (ClassOf(*p) == kOddSpace || (n > 0 && p - runStart > 8)) return -1;
        const numtext::FloatScanResult number = numtext::ScanFloat(p, e, readableEnd);
        values[n++] = number.value;
        p = number.end;
        while (p < e && ClassOf(*p) == kText) ++p;
        if (p < e && ClassOf(*p) == kOddSpace) return -1;
    }
}

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

int Cut(std::string_view text, std::string_view tokens[MAX_TOKENS],
        std::size_t offsets[MAX_TOKENS]) {
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

int ReadRowThroughWorkingCopy(std::string_view line, std::string& work, float values[MAX_TOKENS]) {
    const std::string_view text = Collapse(LineText(line), work);
    if (text.empty()) return 0;
    std::string_view tokens[MAX_TOKENS];
    std::size_t offsets[MAX_TOKENS];
    const int n = Cut(text, tokens, offsets);
    for (int k = 0; k < n; ++k)
        values[k] = numtext::NarrowToFloat(numtext::ParseReal(text.substr(offsets[k])));
    return n;
}

int ReadRow(std::string_view line, std::string& work, float values[MAX_TOKENS],
            std::size_t readable) {
    const int n = ScanRow(line, values, readable);
    return n >= 0 ? n : ReadRowThroughWorkingCopy(line, work, values);
}

bool IsBlank(std::string_view line) {
    for (const char c : line) {
        if (c == '\r' || c == '\0') return true;
        if (!IsSeparator(c) && !numtext::IsSpace(c)) return false;
    }
    return true;
}

}  // namespace trace_tokens
