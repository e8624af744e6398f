#pragma once

#include <sys/socket.h>

#include <atomic>
#include <functional>
#include <thread>

#include "http/listen_socket.hpp"

namespace lumora {

// Accepts connections itself, so that one past the cap is answered with 503 and closed
// at once instead of waiting in the listen backlog until a slot frees. Connections
// within the cap are handed on; the HTTP library then reports when each one ends.
class ConnectionGate {
public:
    // Takes a connection over; false when it was refused, its socket then closed.
    using Admit = std::function<bool(int fd, const sockaddr* address, socklen_t length)>;

    // How a connection past the cap is turned away: on an HTTPS port a plain reply would
    // be garbage to the client, so it is closed at once.
    enum class Busy { answer_503, close };

    ConnectionGate(ListenSocket socket, unsigned cap, Busy busy);
    ~ConnectionGate();
    ConnectionGate(const ConnectionGate&) = delete;
    ConnectionGate& operator=(const ConnectionGate&) = delete;

    // Starts accepting on a thread of its own.
    void start(Admit admit);
    // Stops accepting and waits until no more connection is handed on.
    void stop();
    // An admitted connection has ended; safe from any thread.
    void closed() { open_.fetch_sub(1, std::memory_order_relaxed); }

private:
    void accept_loop(const Admit& admit);
    void turn_away(int fd);

    ListenSocket socket_;
    const unsigned cap_;
    const Busy busy_;
    std::atomic<unsigned> open_{0};
    unsigned long turned_away_ = 0;  // since the cap was last reached; the accept loop's own
    int wake_fd_;  // eventfd that ends the accept loop
    std::thread acceptor_;
};

}  // namespace lumora
