#pragma once

#include <algorithm>
#include <chrono>

namespace lumora {

// Threads of the HTTP front end, each with its own event loop: a reminder waiting for its
// mail to be synced holds up only its own thread's connections, and reminders waiting
// together share one sync, so more threads mean fewer syncs under load. A shared store
// keeps at least as many database connections.
constexpr unsigned http_event_threads = 16;

// Over HTTPS each wake-up also reads and writes TLS records, and sixteen threads on a
// small machine wake once per request; one per core gathers several ready connections
// per wake-up and spends the least CPU per heartbeat, for fewer reminders per sync.
constexpr unsigned event_threads_for(bool tls, unsigned cores) {
    return tls ? std::clamp(cores, 2u, http_event_threads) : http_event_threads;
}

// What one HTTP client may hold: past the caps new connections are refused at once, and
// a connection that has not delivered a whole request within the time is closed.
struct ConnectionLimits {
    unsigned total = 10000;
    unsigned per_address = 256;
    std::chrono::milliseconds request_time{std::chrono::seconds(10)};
};

}  // namespace lumora
