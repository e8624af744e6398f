#include "http/tls_reply_joiner.hpp"

#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <string>

#include "log.hpp"

namespace lumora {

TlsReplyJoiner::TlsReplyJoiner(gnutls_session_t session, int fd) : fd_(fd) {
    gnutls_transport_set_ptr2(session, reinterpret_cast<gnutls_transport_ptr_t>(static_cast<std::intptr_t>(fd)),
                              this);
    gnutls_transport_set_vec_push_function(session, &TlsReplyJoiner::push);
}

// Bytes still held when a request ends mean its body never followed the head (the
// connection failed in between); they go with the connection rather than ahead of
// whatever is written next.
void TlsReplyJoiner::reply_done() {
    hold_next_ = false;
    if (held_.empty()) return;
    log_line("a TLS reply ended with " + std::to_string(held_.size()) + " bytes unsent; the connection is dropped");
    held_.clear();
    shutdown(fd_, SHUT_RDWR);
}

ssize_t TlsReplyJoiner::push(gnutls_transport_ptr_t self, const giovec_t* parts, int count) {
    auto& joiner = *static_cast<TlsReplyJoiner*>(self);
    if (joiner.hold_next_ && joiner.held_.empty()) {
        joiner.hold_next_ = false;
        ssize_t size = 0;
        for (int i = 0; i < count; ++i) {
            const auto* bytes = static_cast<const char*>(parts[i].iov_base);
            joiner.held_.insert(joiner.held_.end(), bytes, bytes + parts[i].iov_len);
            size += static_cast<ssize_t>(parts[i].iov_len);
        }
        return size;
    }
    return joiner.send_after_held(parts, count);
}

// The held bytes go first. GnuTLS counts only its own bytes as sent, and a write that
// leaves any of them unsent is reported as "try again", which GnuTLS and the library
// take as a full socket.
ssize_t TlsReplyJoiner::send_after_held(const giovec_t* parts, int count) {
    msghdr message{};
    if (held_.empty()) {
        message.msg_iov = const_cast<iovec*>(parts);
        message.msg_iovlen = static_cast<std::size_t>(count);
        return sendmsg(fd_, &message, MSG_NOSIGNAL);
    }
    std::vector<iovec> all;
    all.reserve(static_cast<std::size_t>(count) + 1);
    all.push_back({held_.data(), held_.size()});
    all.insert(all.end(), parts, parts + count);
    message.msg_iov = all.data();
    message.msg_iovlen = all.size();
    ssize_t sent = sendmsg(fd_, &message, MSG_NOSIGNAL);
    if (sent < 0) return sent;
    const auto held_sent = std::min(static_cast<std::size_t>(sent), held_.size());
    held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(held_sent));
    sent -= static_cast<ssize_t>(held_sent);
    if (sent > 0) return sent;
    errno = EAGAIN;
    return -1;
}

}  // namespace lumora
