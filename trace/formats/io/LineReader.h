#pragma once
// The lines of a file, a block at a time: each line (without its line feed) is handed over
// with the count of bytes after it that may be read, never interpreted, so that numbers can
// be scanned a window at a time. A UTF-8 byte-order mark at the start of the file is skipped;
// text after the last line feed is a final line. Lines longer than a block grow the buffer.
// A reader may also take a part of a file, from any source of bytes, and stop early.

#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>
#include <type_traits>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "framework/core/File.h"

namespace line_reader {

// Large enough that a read costs little per line, small enough to stay in cache.
constexpr std::size_t kBlockSize = 256 * 1024;
// Bytes kept after the buffer's end, so that every line in it can be read past.
constexpr std::size_t kPadding = 32;
// No trace line is this long; a longer one (a file of one huge number, say) would take
// memory out of all proportion to the trace, so the read stops there.
constexpr std::size_t kLongestLine = std::size_t{64} << 20;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace line_reader

// Thrown when a line is longer than line_reader::kLongestLine.
struct CLineTooLong {};

// The lines of whatever read(char* buf, std::size_t n) returns (0 at the end).
// onLine(std::string_view line, std::size_t readable) returns void, or bool: false stops
// the reading after that line. skipByteOrderMark: the bytes are a file's first. finalLine:
// the bytes after the last line feed are handed over as a line, even when there are none.
// Returns, when onLine stopped the reading at a line that ends in a line feed, the offset of
// the byte after it; nothing when every line was handed over.
template <typename Read, typename OnLine>
std::optional<std::uint64_t> ForEachLineOf(Read&& read, bool skipByteOrderMark, bool finalLine,
                                           OnLine&& onLine) {
    using namespace line_reader;
    const auto hand = [&](std::string_view line) {
        if constexpr (std::is_same_v<decltype(onLine(line, kPadding)), bool>)
            return onLine(line, kPadding);
        else
            return onLine(line, kPadding), true;
    };
    bool bomChecked = !skipByteOrderMark;
    std::vector<char> storage(kBlockSize + kPadding);
    std::size_t capacity = kBlockSize;  // storage minus the padding
    char* buf = storage.data();
    std::uint64_t dropped = 0;  // bytes before buf[0]
    std::size_t have = 0;       // bytes in buf
    std::size_t lineStart = 0;  // start of the line not yet handed over
    std::size_t scanned = 0;    // bytes already searched for a line feed
    for (;;) {
        if (lineStart > 0) {
            std::memmove(buf, buf + lineStart, have - lineStart);
            dropped += lineStart;
            have -= lineStart;
            scanned -= lineStart;
            lineStart = 0;
        }
        if (have == capacity) {
            if (capacity >= kLongestLine) throw CLineTooLong();
            capacity *= 2;
            storage.resize(capacity + kPadding);
            buf = storage.data();
        }
        const std::size_t n = read(buf + have, capacity - have);
        const bool atEnd = n == 0;
        have += n;
        if (!bomChecked) {
            // A file shorter than the mark ("5" and a line feed) still has its lines.
            if (have < kByteOrderMark.size() && !atEnd) continue;
            bomChecked = true;
            if (have >= kByteOrderMark.size() &&
                std::string_view(buf, kByteOrderMark.size()) == kByteOrderMark)
                lineStart = scanned = kByteOrderMark.size();
        }
#if defined(__SSE2__)
        // Sixteen bytes a test: most lines are shorter than a call to memchr is worth.
        const __m128i lineFeed = _mm_set1_epi8('\n');
        for (; scanned + 16 <= have; scanned += 16) {
            const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(buf + scanned));
            for (unsigned mask =
                     static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, lineFeed)));
                 mask != 0; mask &= mask - 1) {
                const std::size_t pos = scanned + static_cast<std::size_t>(__builtin_ctz(mask));
                const bool more = hand(std::string_view(buf + lineStart, pos - lineStart));
                lineStart = pos + 1;
                if (!more) return dropped + lineStart;
            }
        }
#endif
        while (scanned < have) {
            const void* nl = std::memchr(buf + scanned, '\n', have - scanned);
            if (nl == nullptr) {
                scanned = have;
                break;
            }
            const std::size_t pos = static_cast<std::size_t>(static_cast<const char*>(nl) - buf);
            const bool more = hand(std::string_view(buf + lineStart, pos - lineStart));
            lineStart = scanned = pos + 1;
            if (!more) return dropped + lineStart;
        }
        if (atEnd) break;
    }
    if (!finalLine) return std::nullopt;
    std::memset(buf + have, 0, kPadding);
    hand(std::string_view(buf + lineStart, have - lineStart));
    return std::nullopt;
}

// The lines of a file from its current position.
template <typename OnLine>
void ForEachLine(CFile& file, OnLine&& onLine) {
    ForEachLineOf([&](char* buf, std::size_t n) { return file.Read(buf, n); },
                  file.GetPosition() == 0, true, onLine);
}
