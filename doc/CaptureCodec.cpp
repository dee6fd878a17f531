#include "CaptureCodec.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace capture {

namespace {

// A 12-bit two's-complement code: 2048..4095 stand for code - 4096.
inline float Code12(unsigned code) {
    return static_cast<float>(static_cast<int>(code << 20) >> 20);
}

}  // namespace

void DecodeUnsigned(const std::uint8_t* in, std::size_t n, float* out) {
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<float>(in[i]);
}

void DecodeSigned(const std::uint8_t* in, std::size_t n, float* out) {
    for (std::size_t i = 0; i < n; ++i)
        out[i] = static_cast<float>(static_cast<std::int8_t>(in[i]));
}

std::size_t DecodePairs(const std::uint8_t* in, std::size_t n, unsigned& prefix, float* out,
                        std::size_t room, std::size_t& produced) {
    std::size_t i = 0;
    std::size_t written = 0;
#if defined(__SSE2__)
    // The writer's own layout, a prefix before every data byte, eight pairs at a time with
    // no branch per byte; anything else goes byte by byte below.
    const __m128i classMask = _mm_set1_epi8(static_cast<char>(0xC0));
    const __m128i pairClasses = _mm_set1_epi16(0x00C0);  // prefix class, then data class
    const __m128i low6 = _mm_set1_epi8(0x3F);
    while (i + 16 <= n && written + 8 <= room) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        const __m128i classes = _mm_and_si128(bytes, classMask);
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(classes, pairClasses)) != 0xFFFF) {
            // Byte by byte up to the next pair boundary that might line up again.
            const std::uint8_t b = in[i];
            const unsigned top = b >> 6;
            if (top == 3) {
                prefix = b & 0x3Fu;
            } else if (top == 0) {
                out[written++] = Code12(prefix << 6 | (b & 0x3Fu));
            }
            ++i;
            continue;
        }
        // Each 16-bit lane is data << 8 | prefix; the code is prefix << 6 | data.
        const __m128i bits = _mm_and_si128(bytes, low6);
        const __m128i code = _mm_or_si128(
            _mm_slli_epi16(_mm_and_si128(bits, _mm_set1_epi16(0x3F)), 6), _mm_srli_epi16(bits, 8));
        // Sign-extend 12 bits: move them to the top of the lane and shift back arithmetically.
        const __m128i value = _mm_srai_epi16(_mm_slli_epi16(code, 4), 4);
        const __m128i lo = _mm_srai_epi32(_mm_unpacklo_epi16(value, value), 16);
        const __m128i hi = _mm_srai_epi32(_mm_unpackhi_epi16(value, value), 16);
        _mm_storeu_ps(out + written, _mm_cvtepi32_ps(lo));
        _mm_storeu_ps(out + written + 4, _mm_cvtepi32_ps(hi));
        written += 8;
        prefix = in[i + 14] & 0x3Fu;
        i += 16;
    }
#endif
    for (; i < n; ++i) {
        const std::uint8_t b = in[i];
        const unsigned top = b >> 6;
        if (top == 3) {
            prefix = b & 0x3Fu;
        } else if (top == 0) {
            if (written == room) break;
            out[written++] = Code12(prefix << 6 | (b & 0x3Fu));
        }
    }
    produced += written;
    return i;
}

}  // namespace capture
