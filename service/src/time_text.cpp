#include "time_text.hpp"

#include <ctime>

namespace lumora {
namespace {

std::string format_local(TimePoint t, const char* format) {
    const std::time_t seconds = Clock::to_time_t(t);
    std::tm parts{};
    localtime_r(&seconds, &parts);
    char buffer[64];
    const std::size_t n = std::strftime(buffer, sizeof buffer, format, &parts);
    return std::string(buffer, n);
}

}  // namespace

std::int64_t to_unix_ms(TimePoint t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count();
}

TimePoint from_unix_ms(std::int64_t ms) {
    return TimePoint(std::chrono::duration_cast<Clock::duration>(std::chrono::milliseconds(ms)));
}

std::string local_time_text(TimePoint t) { return format_local(t, "%Y-%m-%d %H:%M:%S"); }

// The program never calls setlocale, so %a and %b stay in the English forms mail headers need.
std::string mail_date_text(TimePoint t) { return format_local(t, "%a, %d %b %Y %H:%M:%S %z"); }

}  // namespace lumora
