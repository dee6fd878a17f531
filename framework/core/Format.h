#pragma once
// printf-style formatting with the C locale's rules whatever the process locale is: a point
// as decimal separator, no grouping. Arguments are typed, so a mismatch cannot read garbage:
// %d of a double truncates it (saturating), %f of an int widens it, %s of a number is empty.
// Supported: flags - + space 0 #, width, .precision, and d i u x X c s f F e E g G %.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

class CFormatArg {
public:
    enum Kind { Int, UInt, Real, Text };

    template <typename T>
    requires std::is_integral_v<T> CFormatArg(T v) {
        if constexpr (std::is_signed_v<T>) {
            m_kind = Int;
            m_int = v;
        } else {
            m_kind = UInt;
            m_uint = v;
        }
    }
    CFormatArg(double v) : m_kind(Real), m_real(v) {}
    CFormatArg(float v) : m_kind(Real), m_real(v) {}
    CFormatArg(const char* s) : m_kind(Text), m_text(s ? s : "") {}
    CFormatArg(std::string_view s) : m_kind(Text), m_text(s) {}
    CFormatArg(const std::string& s) : m_kind(Text), m_text(s) {}

    Kind m_kind;
    std::int64_t m_int = 0;
    std::uint64_t m_uint = 0;
    double m_real = 0.0;
    std::string_view m_text;
};

std::string FormatV(std::string_view format, std::span<const CFormatArg> args);

template <typename... Args>
std::string Format(std::string_view format, const Args&... args) {
    const CFormatArg list[] = {CFormatArg(args)..., CFormatArg(0)};
    return FormatV(format, std::span<const CFormatArg>(list, sizeof...(Args)));
}
