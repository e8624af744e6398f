#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stop_token>
#include <thread>
#include <unordered_map>

namespace lumora {

// Gives each connection a fixed time to deliver a whole request, head and body, counted
// from its opening or from its previous reply. The HTTP library's own time-out only
// measures silence, so a client dribbling a byte a second would otherwise hold its
// connection for as long as it likes. An overdue connection is shut down; the library
// then sees it end and closes it on its own thread.
class RequestDeadlines {
public:
    explicit RequestDeadlines(std::chrono::milliseconds limit);

    // All calls are safe from any thread. `connection` identifies the connection, `fd`
    // is its socket, valid until closed() returns.
    void opened(const void* connection, int fd);
    // The whole request is in: the connection is not overdue while it is answered.
    void received(const void* connection);
    // The reply is out: the clock starts again for the next request.
    void answered(const void* connection);
    void closed(const void* connection);

private:
    using Clock = std::chrono::steady_clock;
    struct Entry {
        int fd;
        Clock::time_point deadline;
    };

    void watch(std::stop_token stop);

    const std::chrono::milliseconds limit_;
    std::mutex mutex_;
    std::unordered_map<const void*, Entry> entries_;
    std::jthread watcher_;
};

}  // namespace lumora
