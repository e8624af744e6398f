#include "http/tls_reply_cork.hpp"

#include <linux/sockios.h>
#include <sys/ioctl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <string>

#include "log.hpp"

namespace lumora {
namespace {

// Far below the smallest send buffer a TCP socket has (about 4.5 KiB).
constexpr std::size_t largest_corked_body = 2048;

}  // namespace

void TlsReplyCork::reply_queued(std::size_t body_bytes) {
    int unsent = 0;
    if (body_bytes > largest_corked_body || ioctl(fd_, SIOCOUTQ, &unsent) != 0 || unsent != 0) return;
    gnutls_record_cork(session_);
    corked_ = true;
}

// A reply that could not leave whole would sit in GnuTLS, unseen by the library, until
// some later reply; it goes with the connection instead.
void TlsReplyCork::reply_done() {
    if (!corked_) return;
    corked_ = false;
    int sent;
    do sent = gnutls_record_uncork(session_, 0);
    while (sent == GNUTLS_E_INTERRUPTED);
    if (sent >= 0) {
        if (!socket_uncorked_) uncork_socket();
        return;
    }
    if (sent == GNUTLS_E_AGAIN)
        log_line("a TLS reply did not fit its socket's empty send buffer; the connection is dropped");
    shutdown(fd_, SHUT_RDWR);
}

void TlsReplyCork::uncork_socket() {
    int corked = 0;
    socklen_t size = sizeof corked;
    if (getsockopt(fd_, IPPROTO_TCP, TCP_CORK, &corked, &size) != 0 || corked == 0) return;
    const int off = 0;
    setsockopt(fd_, IPPROTO_TCP, TCP_CORK, &off, sizeof off);
    socket_uncorked_ = true;
}

}  // namespace lumora
