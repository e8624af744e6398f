#include "log.hpp"

#include <cstdio>
#include <mutex>

#include "control_chars.hpp"
#include "time_text.hpp"
#include "utf8.hpp"

namespace lumora {
namespace {

constexpr char hex[] = "0123456789ABCDEF";

void append_hex(std::string& out, unsigned value, int digits) {
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) out += hex[(value >> shift) & 0xF];
}

}  // namespace

std::string escape_control_characters(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t start = pos;
        const auto cp = next_code_point(text, pos);
        if (!cp || (*cp < 0x80 && is_hidden_control(*cp))) {
            escaped += "\\x";
            append_hex(escaped, static_cast<unsigned char>(text[start]), 2);
        } else if (is_hidden_control(*cp)) {
            escaped += "\\u";
            append_hex(escaped, static_cast<unsigned>(*cp), 4);
        } else if (*cp == '\\') {
            escaped += "\\\\";
        } else {
            escaped.append(text.substr(start, pos - start));
        }
    }
    return escaped;
}

std::string bounded(std::string_view value, std::size_t most) {
    if (value.size() <= most) return std::string(value);
    std::size_t cut = most;
    while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80) --cut;
    return std::string(value.substr(0, cut)) + "...(" + std::to_string(value.size()) + " bytes)";
}

void log_line(std::string_view message) {
    static std::mutex mutex;
    const std::string line = local_time_text(Clock::now()) + " " + escape_control_characters(message) + "\n";
    const std::lock_guard lock(mutex);
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

}  // namespace lumora
