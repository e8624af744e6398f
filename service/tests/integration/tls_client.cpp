#include "tls_client.hpp"

#include <gnutls/x509.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>
#include <thread>

namespace lumora::testing {

TlsConnection::TlsConnection(int port, const std::filesystem::path& authority, const char* source,
                             int receive_buffer)
    : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    if (receive_buffer > 0) setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof receive_buffer);
    sockaddr_in from{};
    from.sin_family = AF_INET;
    if (inet_pton(AF_INET, source, &from.sin_addr) != 1 ||
        ::bind(fd_, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0)
        throw std::runtime_error(std::string("cannot connect from ") + source);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd_ < 0 || ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        throw std::runtime_error("cannot connect to port " + std::to_string(port));
    gnutls_certificate_allocate_credentials(&trust_);
    if (gnutls_certificate_set_x509_trust_file(trust_, authority.c_str(), GNUTLS_X509_FMT_PEM) <= 0)
        throw std::runtime_error("cannot read " + authority.string());
    gnutls_init(&session_, GNUTLS_CLIENT);
    gnutls_set_default_priority(session_);
    gnutls_credentials_set(session_, GNUTLS_CRD_CERTIFICATE, trust_);
    gnutls_server_name_set(session_, GNUTLS_NAME_DNS, "localhost", 9);
    gnutls_session_set_verify_cert(session_, "localhost", 0);
    gnutls_transport_set_int(session_, fd_);
    gnutls_handshake_set_timeout(session_, 5000);
    int code;
    do code = gnutls_handshake(session_);
    while (code < 0 && !gnutls_error_is_fatal(code));
    if (code < 0) throw std::runtime_error(std::string("TLS handshake failed: ") + gnutls_strerror(code));
}

TlsConnection::~TlsConnection() {
    gnutls_deinit(session_);
    gnutls_certificate_free_credentials(trust_);
    ::close(fd_);
}

std::string TlsConnection::peer_name() const {
    unsigned count = 0;
    const gnutls_datum_t* chain = gnutls_certificate_get_peers(session_, &count);
    if (!chain || count == 0) return {};
    gnutls_x509_crt_t certificate;
    gnutls_x509_crt_init(&certificate);
    char name[256] = "";
    std::size_t size = sizeof name;
    if (gnutls_x509_crt_import(certificate, &chain[0], GNUTLS_X509_FMT_DER) < 0 ||
        gnutls_x509_crt_get_dn_by_oid(certificate, GNUTLS_OID_X520_COMMON_NAME, 0, 0, name, &size) < 0)
        name[0] = '\0';
    gnutls_x509_crt_deinit(certificate);
    return name;
}

std::string TlsConnection::request(const std::string& method, const std::string& target,
                                   std::chrono::milliseconds timeout) {
    const std::string head = method + " " + target + " HTTP/1.1\r\nHost: localhost\r\n\r\n";
    if (gnutls_record_send(session_, head.data(), head.size()) != static_cast<ssize_t>(head.size())) return {};
    const bool with_body = method != "HEAD";
    return receive(
        [with_body](const std::string& reply) {
            const std::size_t head_end = reply.find("\r\n\r\n");
            if (head_end == std::string::npos) return false;
            const std::size_t length_at = reply.find("Content-Length: ");
            const std::size_t length =
                with_body && length_at < head_end ? std::stoul(reply.substr(length_at + 16)) : 0;
            return reply.size() >= head_end + 4 + length;
        },
        timeout);
}

std::string TlsConnection::receive(const std::function<bool(const std::string&)>& whole,
                                   std::chrono::milliseconds timeout) {
    return pipeline({}, {}, whole, timeout);
}

std::string TlsConnection::pipeline(const std::string& requests, std::chrono::milliseconds pause,
                                    const std::function<bool(const std::string&)>& whole,
                                    std::chrono::milliseconds timeout) {
    const int blocking = fcntl(fd_, F_GETFL);
    fcntl(fd_, F_SETFL, blocking | O_NONBLOCK);
    std::size_t sent = 0;
    // A write GnuTLS could not finish is repeated with the same bytes.
    const auto write_more = [&] {
        const std::size_t size = std::min<std::size_t>(requests.size() - sent, 16384);
        const ssize_t wrote = gnutls_record_send(session_, requests.data() + sent, size);
        if (wrote > 0) sent += static_cast<std::size_t>(wrote);
        return wrote > 0;
    };
    while (sent < requests.size() && write_more()) {
    }
    std::this_thread::sleep_for(pause);
    std::string reply;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline && !whole(reply)) {
        if (sent < requests.size()) write_more();
        if (gnutls_record_check_pending(session_) == 0) {
            pollfd ready{fd_, static_cast<short>(POLLIN | (sent < requests.size() ? POLLOUT : 0)), 0};
            if (::poll(&ready, 1, 50) <= 0 || !(ready.revents & POLLIN)) continue;
        }
        char buffer[4096];
        const ssize_t got = gnutls_record_recv(session_, buffer, sizeof buffer);
        if (got == GNUTLS_E_AGAIN || got == GNUTLS_E_INTERRUPTED) continue;
        if (got <= 0) break;
        ++records_;
        reply.append(buffer, static_cast<std::size_t>(got));
    }
    fcntl(fd_, F_SETFL, blocking);
    return whole(reply) ? reply : std::string();
}

}  // namespace lumora::testing
