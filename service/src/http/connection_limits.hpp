#pragma once

#include <chrono>

namespace lumora {

// What one HTTP client may hold: past the caps new connections are refused at once, and
// a connection that has not delivered a whole request within the time is closed.
struct ConnectionLimits {
    unsigned total = 10000;
    unsigned per_address = 256;
    std::chrono::milliseconds request_time{std::chrono::seconds(10)};
};

}  // namespace lumora
