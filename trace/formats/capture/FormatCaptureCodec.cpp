#include "trace/formats/capture/FormatCaptureCodec.h"

#include "framework/core/NumberText.h"

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

std::size_t EncodeSamples(int encoding, const float* samples, std::size_t n, std::uint8_t* out) {
    std::size_t i = 0;
    std::uint8_t* o = out;
#if defined(__SSE2__)
    // cvttps2dq truncates, giving INT_MIN for NaN and out-of-range values. INT_MIN has the
    // same low bits as 0, so only values at or above 2^31 need fixing (to INT_MAX).
    const __m128 two31 = _mm_set1_ps(2147483648.0f);
    const __m128i intMax = _mm_set1_epi32(0x7FFFFFFF);
    const auto truncate = [&](const float* at) {
        const __m128 x = _mm_loadu_ps(at);
        const __m128i high = _mm_castps_si128(_mm_cmpge_ps(x, two31));
        return _mm_or_si128(_mm_andnot_si128(high, _mm_cvttps_epi32(x)),
                            _mm_and_si128(high, intMax));
    };
    if (encoding == 1) {
        const __m128i low6 = _mm_set1_epi32(0x3F);
        const __m128i prefixClass = _mm_set1_epi32(0xC0);
        for (; i + 8 <= n; i += 8, o += 16) {
            __m128i lanes[2];
            for (int h = 0; h < 2; ++h) {
                const __m128i v = truncate(samples + i + 4 * h);
                const __m128i prefix =
                    _mm_or_si128(_mm_and_si128(_mm_srai_epi32(v, 6), low6), prefixClass);
                lanes[h] = _mm_or_si128(prefix, _mm_slli_epi32(_mm_and_si128(v, low6), 8));
            }
            // Each lane is data << 8 | prefix, at most 0x3FFF: packing keeps it, and the
            // little-endian store lays out prefix, data.
            _mm_storeu_si128(reinterpret_cast<__m128i*>(o), _mm_packs_epi32(lanes[0], lanes[1]));
        }
    } else {
        const __m128i low8 = _mm_set1_epi32(0xFF);
        for (; i + 16 <= n; i += 16, o += 16) {
            const __m128i a = _mm_and_si128(truncate(samples + i), low8);
            const __m128i b = _mm_and_si128(truncate(samples + i + 4), low8);
            const __m128i c = _mm_and_si128(truncate(samples + i + 8), low8);
            const __m128i d = _mm_and_si128(truncate(samples + i + 12), low8);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(o),
                             _mm_packus_epi16(_mm_packs_epi32(a, b), _mm_packs_epi32(c, d)));
        }
    }
#endif
    for (; i < n; ++i) o += EncodeSample(encoding, numtext::ToIntSaturated(samples[i]), o);
    return static_cast<std::size_t>(o - out);
}

}  // namespace capture
