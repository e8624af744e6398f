#include "log.hpp"

#include <cstdio>
#include <mutex>

#include "time_text.hpp"

namespace lumora {

std::string escape_control_characters(std::string_view text) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            escaped += "\\\\";
        } else if (byte < 0x20 || byte == 0x7F) {
            escaped += "\\x";
            escaped += hex[byte >> 4];
            escaped += hex[byte & 0xF];
        } else {
            escaped += c;
        }
    }
    return escaped;
}

void log_line(std::string_view message) {
    static std::mutex mutex;
    const std::string line = local_time_text(Clock::now()) + " " + escape_control_characters(message) + "\n";
    const std::lock_guard lock(mutex);
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

}  // namespace lumora
