#include "Format.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "NumberText.h"

namespace {

struct Conversion {
    bool left = false, plus = false, space = false, zero = false, alt = false;
    int width = 0;
    int precision = -1;
    char conv = 0;
};

std::int64_t AsInt(const CFormatArg& a) {
    switch (a.m_kind) {
        case CFormatArg::Int:
            return a.m_int;
        case CFormatArg::UInt:
            return static_cast<std::int64_t>(a.m_uint);
        case CFormatArg::Real:
            return numtext::ToIntSaturated(a.m_real);
        default:
            return 0;
    }
}

std::uint64_t AsUInt(const CFormatArg& a) {
    switch (a.m_kind) {
        case CFormatArg::Int:
            return static_cast<std::uint64_t>(a.m_int);
        case CFormatArg::UInt:
            return a.m_uint;
        case CFormatArg::Real:
            return static_cast<std::uint32_t>(numtext::ToIntSaturated(a.m_real));
        default:
            return 0;
    }
}

double AsReal(const CFormatArg& a) {
    switch (a.m_kind) {
        case CFormatArg::Int:
            return static_cast<double>(a.m_int);
        case CFormatArg::UInt:
            return static_cast<double>(a.m_uint);
        case CFormatArg::Real:
            return a.m_real;
        default:
            return 0.0;
    }
}

// Lays out sign + body in the field; zero padding goes between sign and digits.
void Pad(std::string& out, const Conversion& s, std::string_view sign, std::string_view body,
         bool numeric) {
    const std::size_t len = sign.size() + body.size();
    const std::size_t fill =
        s.width > 0 && static_cast<std::size_t>(s.width) > len ? s.width - len : 0;
    if (s.left) {
        out.append(sign).append(body).append(fill, ' ');
    } else if (s.zero && numeric) {
        out.append(sign).append(fill, '0').append(body);
    } else {
        out.append(fill, ' ').append(sign).append(body);
    }
}

void FormatInteger(std::string& out, const Conversion& s, const CFormatArg& a) {
    char buf[80];
    std::string_view sign;
    char* end;
    if (s.conv == 'd' || s.conv == 'i') {
        const std::int64_t v = AsInt(a);
        const std::uint64_t mag =
            v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
        end = std::to_chars(buf, buf + sizeof buf, mag).ptr;
        sign = v < 0 ? "-" : s.plus ? "+" : s.space ? " " : "";
    } else {
        std::uint64_t v = AsUInt(a);
        // Plain %u/%x of a negative int prints its 32-bit pattern, as printf does.
        if (a.m_kind == CFormatArg::Int && a.m_int >= INT32_MIN && a.m_int < 0)
            v = static_cast<std::uint32_t>(a.m_int);
        end = std::to_chars(buf, buf + sizeof buf, v, s.conv == 'u' ? 10 : 16).ptr;
        if (s.conv == 'X')
            std::transform(buf, end, buf, [](char c) { return c >= 'a' ? c - 32 : c; });
    }
    std::string body(buf, end);
    if (s.precision >= 0) {
        if (s.precision == 0 && body == "0") body.clear();
        if (body.size() < static_cast<std::size_t>(s.precision))
            body.insert(0, s.precision - body.size(), '0');
    }
    Conversion t = s;
    if (s.precision >= 0) t.zero = false;
    Pad(out, t, sign, body, true);
}

void FormatReal(std::string& out, const Conversion& s, const CFormatArg& a) {
    const double v = AsReal(a);
    const bool upper = s.conv == 'F' || s.conv == 'E' || s.conv == 'G';
    const char lower = static_cast<char>(upper ? s.conv + 32 : s.conv);
    std::string_view sign = std::signbit(v) ? "-" : s.plus ? "+" : s.space ? " " : "";
    const double mag = std::fabs(v);
    std::string body;
    if (!std::isfinite(v)) {
        body = std::isnan(v) ? "nan" : "inf";
    } else {
        const int precision = std::min(s.precision < 0 ? 6 : s.precision, 120);
        const auto fmt = lower == 'f'   ? std::chars_format::fixed
                         : lower == 'e' ? std::chars_format::scientific
                                        : std::chars_format::general;
        body.resize(512);
        auto r = std::to_chars(body.data(), body.data() + body.size(), mag, fmt, precision);
        body.resize(r.ptr - body.data());
        if (s.alt && body.find('.') == std::string::npos && body.find('e') == std::string::npos)
            body += '.';
    }
    if (upper)
        std::transform(body.begin(), body.end(), body.begin(),
                       [](char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; });
    Pad(out, s, sign, body, std::isfinite(v));
}

}  // namespace

std::string FormatV(std::string_view format, std::span<const CFormatArg> args) {
    std::string out;
    out.reserve(format.size() + 16);
    std::size_t next = 0;
    const CFormatArg none(std::string_view{});
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (c != '%') {
            out += c;
            continue;
        }
        Conversion s;
        std::size_t j = i + 1;
        for (; j < format.size(); ++j) {
            const char f = format[j];
            if (f == '-')
                s.left = true;
            else if (f == '+')
                s.plus = true;
            else if (f == ' ')
                s.space = true;
            else if (f == '0')
                s.zero = true;
            else if (f == '#')
                s.alt = true;
            else
                break;
        }
        for (; j < format.size() && format[j] >= '0' && format[j] <= '9'; ++j)
            s.width = std::min(s.width * 10 + (format[j] - '0'), 4096);
        if (j < format.size() && format[j] == '.') {
            s.precision = 0;
            for (++j; j < format.size() && format[j] >= '0' && format[j] <= '9'; ++j)
                s.precision = std::min(s.precision * 10 + (format[j] - '0'), 4096);
        }
        while (j < format.size() &&
               (format[j] == 'l' || format[j] == 'h' || format[j] == 'z' || format[j] == 'I'))
            ++j;
        if (j >= format.size()) {
            out.append(format.substr(i));
            break;
        }
        s.conv = format[j];
        i = j;
        if (s.conv == '%') {
            out += '%';
            continue;
        }
        const CFormatArg& a = next < args.size() ? args[next] : none;
        ++next;
        switch (s.conv) {
            case 'd':
            case 'i':
            case 'u':
            case 'x':
            case 'X':
                FormatInteger(out, s, a);
                break;
            case 'f':
            case 'F':
            case 'e':
            case 'E':
            case 'g':
            case 'G':
                FormatReal(out, s, a);
                break;
            case 'c':
                Pad(out, s, "", std::string(1, static_cast<char>(AsInt(a))), false);
                break;
            case 's': {
                std::string_view text =
                    a.m_kind == CFormatArg::Text ? a.m_text : std::string_view{};
                if (s.precision >= 0 && text.size() > static_cast<std::size_t>(s.precision))
                    text = text.substr(0, s.precision);
                Pad(out, s, "", text, false);
                break;
            }
            default:
                out += '%';
                out += s.conv;
                --next;
                break;
        }
    }
    return out;
}
