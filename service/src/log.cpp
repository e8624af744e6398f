#include "log.hpp"

#include <cstdio>
#include <mutex>
#include <string>

#include "time_text.hpp"

namespace lumora {

void log_line(std::string_view message) {
    static std::mutex mutex;
    const std::string line = local_time_text(Clock::now()) + " " + std::string(message) + "\n";
    const std::lock_guard lock(mutex);
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
}

}  // namespace lumora
