#pragma once
// The lines of a file, a block at a time: each line (without its line feed) is handed over
// with the count of bytes after it that may be read, never interpreted, so that numbers can
// be scanned a window at a time. A UTF-8 byte-order mark at the start of the file is skipped;
// text after the last line feed is a final line. Lines longer than a block grow the buffer.

#include <cstring>
#include <string_view>
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
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace line_reader

// onLine(std::string_view line, std::size_t readable).
template <typename OnLine>
void ForEachLine(CFile& file, OnLine&& onLine) {
    using namespace line_reader;
    bool bomChecked = file.GetPosition() != 0;
    std::vector<char> storage(kBlockSize + kPadding);
    std::size_t capacity = kBlockSize;  // storage minus the padding
    char* buf = storage.data();
    std::size_t have = 0;       // bytes in buf
    std::size_t lineStart = 0;  // start of the line not yet handed over
    std::size_t scanned = 0;    // bytes already searched for a line feed
    for (;;) {
        if (lineStart > 0) {
            std::memmove(buf, buf + lineStart, have - lineStart);
            have -= lineStart;
            scanned -= lineStart;
            lineStart = 0;
        }
        if (have == capacity) {
            capacity *= 2;
            storage.resize(capacity + kPadding);
            buf = storage.data();
        }
        const std::size_t n = file.Read(buf + have, capacity - have);
        if (n == 0) break;
        have += n;
        if (!bomChecked) {
            if (have < kByteOrderMark.size()) continue;
            bomChecked = true;
            if (std::string_view(buf, kByteOrderMark.size()) == kByteOrderMark)
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
                onLine(std::string_view(buf + lineStart, pos - lineStart), kPadding);
                lineStart = pos + 1;
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
            onLine(std::string_view(buf + lineStart, pos - lineStart), kPadding);
            lineStart = scanned = pos + 1;
        }
    }
    std::memset(buf + have, 0, kPadding);
    onLine(std::string_view(buf + lineStart, have - lineStart), kPadding);
}
