#include "http/request_deadlines.hpp"

#include <sys/socket.h>

namespace lumora {
namespace {

constexpr std::chrono::milliseconds check_interval{250};

}  // namespace

RequestDeadlines::RequestDeadlines(std::chrono::milliseconds limit)
    : limit_(limit), watcher_([this](std::stop_token stop) { watch(stop); }) {}

void RequestDeadlines::opened(const void* connection, int fd) {
    const std::lock_guard lock(mutex_);
    entries_[connection] = {fd, Clock::now() + limit_};
}

void RequestDeadlines::received(const void* connection) {
    const std::lock_guard lock(mutex_);
    if (const auto it = entries_.find(connection); it != entries_.end()) it->second.deadline = Clock::time_point::max();
}

void RequestDeadlines::answered(const void* connection) {
    const std::lock_guard lock(mutex_);
    if (const auto it = entries_.find(connection); it != entries_.end()) it->second.deadline = Clock::now() + limit_;
}

void RequestDeadlines::closed(const void* connection) {
    const std::lock_guard lock(mutex_);
    entries_.erase(connection);
}

// The socket is shut down under the lock, so closed() cannot run in between and let the
// descriptor be closed and reused for another connection.
void RequestDeadlines::watch(std::stop_token stop) {
    std::mutex sleep_mutex;
    std::condition_variable_any sleeper;
    while (!stop.stop_requested()) {
        {
            const std::lock_guard lock(mutex_);
            const auto now = Clock::now();
            for (auto& [connection, entry] : entries_) {
                if (entry.deadline > now) continue;
                shutdown(entry.fd, SHUT_RDWR);
                entry.deadline = Clock::time_point::max();
            }
        }
        std::unique_lock lock(sleep_mutex);
        sleeper.wait_for(lock, stop, check_interval, [] { return false; });
    }
}

}  // namespace lumora
