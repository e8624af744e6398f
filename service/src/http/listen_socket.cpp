#include "http/listen_socket.hpp"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

namespace lumora {
namespace {

struct AddressListFree {
    void operator()(addrinfo* list) const { freeaddrinfo(list); }
};

int bound_port(int fd) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
    if (address.ss_family == AF_INET6) return ntohs(reinterpret_cast<sockaddr_in6*>(&address)->sin6_port);
    return ntohs(reinterpret_cast<sockaddr_in*>(&address)->sin_port);
}

}  // namespace

ListenSocket::ListenSocket(const Endpoint& endpoint, int backlog) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string port_text = std::to_string(endpoint.port);
    if (const int rc = getaddrinfo(endpoint.host.c_str(), port_text.c_str(), &hints, &found); rc != 0)
        throw std::runtime_error("cannot listen on " + endpoint.text() + ": " + gai_strerror(rc));
    const std::unique_ptr<addrinfo, AddressListFree> addresses(found);

    fd_ = socket(found->ai_family, found->ai_socktype | SOCK_CLOEXEC, found->ai_protocol);
    if (fd_ < 0) throw std::runtime_error("cannot listen on " + endpoint.text() + ": " + std::strerror(errno));
    // SO_REUSEADDR only lets a restart bind while old connections linger in TIME_WAIT;
    // Linux still refuses a second listener on the port.
    const int on = 1;
    setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    if (bind(fd_, found->ai_addr, found->ai_addrlen) != 0 || listen(fd_, backlog) != 0) {
        const int error = errno;
        close(fd_);
        if (error == EADDRINUSE)
            throw std::runtime_error("cannot listen on " + endpoint.text() +
                                     ": the port is in use, perhaps by another lumora-service");
        throw std::runtime_error("cannot listen on " + endpoint.text() + ": " + std::strerror(error));
    }
    port_ = bound_port(fd_);
}

ListenSocket::~ListenSocket() {
    if (fd_ >= 0) close(fd_);
}

ListenSocket::ListenSocket(ListenSocket&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), port_(other.port_) {}

int ListenSocket::release() { return std::exchange(fd_, -1); }

}  // namespace lumora
