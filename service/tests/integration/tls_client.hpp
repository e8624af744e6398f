#pragma once

#include <gnutls/gnutls.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

namespace lumora::testing {

using namespace std::chrono_literals;

// One kept-alive HTTPS connection to a loopback port that checks the server's certificate
// against `authority` for the name localhost, as a careful client would.
class TlsConnection {
public:
    // `source` is the loopback address to connect from (127.0.0.1 unless told), so that
    // one test can play several clients. Throws std::runtime_error when the connection
    // or the handshake fails.
    // A `receive_buffer` in bytes makes the socket's own small, so the server's writes fill it.
    TlsConnection(int port, const std::filesystem::path& authority, const char* source = "127.0.0.1",
                  int receive_buffer = 0);
    ~TlsConnection();
    TlsConnection(const TlsConnection&) = delete;
    TlsConnection& operator=(const TlsConnection&) = delete;

    // The common name of the certificate the server presented.
    std::string peer_name() const;
    // Sends a GET on this connection and returns the whole reply; empty when the
    // connection ended or the time ran out first.
    std::string get(const std::string& target, std::chrono::milliseconds timeout = 5s) {
        return request("GET", target, timeout);
    }
    // The same for any method; the reply to HEAD ends with its head.
    std::string request(const std::string& method, const std::string& target, std::chrono::milliseconds timeout = 5s);
    // What arrives until `whole` holds for it, or empty when the connection ends or the
    // time runs out first.
    std::string receive(const std::function<bool(const std::string&)>& whole, std::chrono::milliseconds timeout);
    // Writes `requests` without reading until the server takes no more, waits `pause`,
    // then reads as above while writing the rest.
    std::string pipeline(const std::string& requests, std::chrono::milliseconds pause,
                         const std::function<bool(const std::string&)>& whole, std::chrono::milliseconds timeout);
    // Application data records read so far (GnuTLS hands over one record per read).
    std::size_t records() const { return records_; }

private:
    int fd_ = -1;
    gnutls_certificate_credentials_t trust_ = nullptr;
    gnutls_session_t session_ = nullptr;
    std::size_t records_ = 0;
};

}  // namespace lumora::testing
