#pragma once

#include "endpoint.hpp"

namespace lumora {

// A bound, listening TCP socket. It never shares its port: without SO_REUSEPORT a second
// service on the same address fails to start instead of silently taking half the traffic.
class ListenSocket {
public:
    // Throws std::runtime_error with a one-line reason, e.g. when the port is taken.
    ListenSocket(const Endpoint& endpoint, int backlog);
    ~ListenSocket();
    ListenSocket(ListenSocket&& other) noexcept;
    ListenSocket& operator=(ListenSocket&&) = delete;
    ListenSocket(const ListenSocket&) = delete;
    ListenSocket& operator=(const ListenSocket&) = delete;

    int fd() const { return fd_; }
    // The bound port, which differs from the requested one when that was 0.
    int port() const { return port_; }
    // Hands the socket to a new owner that closes it.
    int release();

private:
    int fd_ = -1;
    int port_ = 0;
};

}  // namespace lumora
