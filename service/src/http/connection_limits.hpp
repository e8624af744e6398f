#pragma once

#include <chrono>

namespace lumora {

// Threads of the HTTP front end, each with its own event loop: a reminder waiting for its
// mail to be synced holds up only its own thread's connections, and reminders waiting
// together share one sync, so more threads mean fewer syncs under load. A shared store
// keeps at least as many database connections.
constexpr unsigned http_event_threads = 16;

// What one HTTP client may hold: past the caps new connections are refused at once, and
// a connection that has not delivered a whole request within the time is closed.
struct ConnectionLimits {
    unsigned total = 10000;
    unsigned per_address = 256;
    std::chrono::milliseconds request_time{std::chrono::seconds(10)};
};

}  // namespace lumora
