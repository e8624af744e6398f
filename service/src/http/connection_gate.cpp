#include "http/connection_gate.hpp"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>

#include "log.hpp"

namespace lumora {
namespace {

constexpr std::string_view busy_reply =
    "HTTP/1.1 503 Service Unavailable\r\n"
    "Content-Type: text/plain; charset=utf-8\r\n"
    "Content-Length: 30\r\n"
    "Connection: close\r\n"
    "\r\n"
    "服务繁忙，请稍后再试";

// Errors that concern one connection or a passing shortage; the loop goes on.
bool passing(int error) {
    return error == EAGAIN || error == EWOULDBLOCK || error == EINTR || error == ECONNABORTED || error == EPROTO ||
           error == EPERM || error == ENOBUFS || error == ENOMEM || error == EMFILE || error == ENFILE;
}

}  // namespace

ConnectionGate::ConnectionGate(ListenSocket socket, unsigned cap, Busy busy)
    : socket_(std::move(socket)), cap_(cap), busy_(busy), wake_fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (wake_fd_ < 0) throw std::runtime_error(std::string("cannot create an eventfd: ") + std::strerror(errno));
}

ConnectionGate::~ConnectionGate() {
    stop();
    close(wake_fd_);
}

void ConnectionGate::start(Admit admit) {
    acceptor_ = std::thread([this, admit = std::move(admit)] { accept_loop(admit); });
}

void ConnectionGate::stop() {
    if (!acceptor_.joinable()) return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = write(wake_fd_, &one, sizeof one);
    acceptor_.join();
}

void ConnectionGate::accept_loop(const Admit& admit) {
    pollfd ready[2] = {{socket_.fd(), POLLIN, 0}, {wake_fd_, POLLIN, 0}};
    for (;;) {
        if (poll(ready, 2, -1) < 0 && errno != EINTR) {
            log_line(std::string("cannot wait for connections: ") + std::strerror(errno));
            return;
        }
        if (ready[1].revents != 0) return;
        if (ready[0].revents == 0) continue;
        sockaddr_storage address{};
        socklen_t length = sizeof address;
        const int fd = accept4(socket_.fd(), reinterpret_cast<sockaddr*>(&address), &length,
                               SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (!passing(errno)) log_line(std::string("cannot accept a connection: ") + std::strerror(errno));
            // Out of descriptors the socket stays readable; a short pause keeps the loop
            // from spinning until one frees.
            if (errno == EMFILE || errno == ENFILE) poll(nullptr, 0, 10);
            continue;
        }
        if (open_.load(std::memory_order_relaxed) >= cap_) {
            if (turned_away_++ == 0)
                log_line("at the cap of " + std::to_string(cap_) + " connections; turning new ones away");
            turn_away(fd);
            continue;
        }
        if (turned_away_ > 0) {
            log_line("below the connection cap again; " + std::to_string(turned_away_) + " connection(s) turned away");
            turned_away_ = 0;
        }
        open_.fetch_add(1, std::memory_order_relaxed);
        if (!admit(fd, reinterpret_cast<const sockaddr*>(&address), length)) closed();
    }
}

// Whatever the client already sent is read first: closing with unread data would reset
// the connection, and the client could lose the reply.
void ConnectionGate::turn_away(int fd) {
    if (busy_ == Busy::answer_503) {
        [[maybe_unused]] const auto sent = send(fd, busy_reply.data(), busy_reply.size(), MSG_NOSIGNAL);
    }
    shutdown(fd, SHUT_WR);
    char discard[4096];
    while (recv(fd, discard, sizeof discard, 0) > 0) {
    }
    close(fd);
}

}  // namespace lumora
