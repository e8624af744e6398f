#include "unescape.hpp"

#include "trust/wipe.hpp"
#include "utf8.hpp"

namespace lumora {
namespace {

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::optional<char16_t> parse_hex(std::string_view digits) {
    unsigned value = 0;
    for (char c : digits) {
        const int d = hex_digit(c);
        if (d < 0) return std::nullopt;
        value = value * 16 + static_cast<unsigned>(d);
    }
    return static_cast<char16_t>(value);
}

// Reads the escape that starts at raw[pos] == '%' and moves pos past it.
std::optional<char16_t> read_escape(std::string_view raw, std::size_t& pos) {
    const bool wide = pos + 1 < raw.size() && raw[pos + 1] == 'u';
    const std::size_t start = pos + (wide ? 2 : 1);
    const std::size_t digits = wide ? 4 : 2;
    if (start + digits > raw.size()) return std::nullopt;
    pos = start + digits;
    return parse_hex(raw.substr(start, digits));
}

bool is_high_surrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool is_low_surrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

}  // namespace

std::optional<std::string> unescape_client_value(std::string_view raw) {
    // Never longer than its escaped form, so the text is never copied to a larger buffer
    // behind the wipe's back: the value may be an authorisation code.
    std::string out;
    out.reserve(raw.size());
    const WipeOnExit wipe_out(out);
    char16_t high = 0;  // a pending high surrogate, 0 when none
    std::size_t pos = 0;
    while (pos < raw.size()) {
        if (raw[pos] != '%') {
            if (high != 0) return std::nullopt;
            out += raw[pos++];
            continue;
        }
        const auto unit = read_escape(raw, pos);
        if (!unit) return std::nullopt;
        if (is_high_surrogate(*unit)) {
            if (high != 0) return std::nullopt;
            high = *unit;
        } else if (is_low_surrogate(*unit)) {
            if (high == 0) return std::nullopt;
            append_utf8(out, 0x10000 + ((char32_t(high) - 0xD800) << 10) + (char32_t(*unit) - 0xDC00));
            high = 0;
        } else {
            if (high != 0) return std::nullopt;
            append_utf8(out, *unit);
        }
    }
    if (high != 0 || !is_valid_utf8(out)) return std::nullopt;
    return out;
}

}  // namespace lumora
