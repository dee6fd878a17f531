#pragma once
// Sample encodings of the capture format, as pure functions over byte blocks.
//   0: one unsigned byte per sample, 0..255
//   1: 12-bit two's complement in byte pairs: a prefix byte (top bits 11) gives the upper
//      6 bits of the following samples, a data byte (top bits 00) the lower 6 bits of one
//      sample; bytes with top bits 01 or 10 are ignored
//   2: one signed byte per sample, -128..127

#include <cstddef>
#include <cstdint>

namespace capture {

constexpr std::uint32_t MAGIC_ENCODING_1 = 0x7A89C197;
constexpr std::uint32_t MAGIC_ENCODING_2 = 0x7A89C198;

// Encodings 0 and 2: one sample per byte; out has room for n.
void DecodeUnsigned(const std::uint8_t* in, std::size_t n, float* out);
void DecodeSigned(const std::uint8_t* in, std::size_t n, float* out);

// Encoding 1. `prefix` carries from one block to the next (0 before the first). Decodes until
// the input ends or `room` samples were written; returns the bytes consumed and adds the
// samples written to `produced`.
std::size_t DecodePairs(const std::uint8_t* in, std::size_t n, unsigned& prefix, float* out,
                        std::size_t room, std::size_t& produced);

// The bytes of one sample value (already truncated to int): encoding 1 gives a prefix and a
// data byte, the others the low 8 bits. Returns the byte count.
inline int EncodeSample(int encoding, std::int32_t v, std::uint8_t* out) {
    if (encoding == 1) {
        out[0] = static_cast<std::uint8_t>(0xC0 | ((v >> 6) & 0x3F));
        out[1] = static_cast<std::uint8_t>(v & 0x3F);
        return 2;
    }
    out[0] = static_cast<std::uint8_t>(v & 0xFF);
    return 1;
}

// The bytes of n samples: each truncated toward zero to an int, NaN as 0 and values beyond
// the int range as the nearest int, then laid out by EncodeSample. Returns the byte count
// (n, or 2n for encoding 1).
std::size_t EncodeSamples(int encoding, const float* samples, std::size_t n, std::uint8_t* out);

}  // namespace capture
