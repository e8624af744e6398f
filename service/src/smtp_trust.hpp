#pragma once

#include <curl/curl.h>

#include <filesystem>
#include <string>

namespace lumora {

// The certificate authorities a mail connection trusts: the system's, plus one the
// operator names (a mail server with a private authority, or a test one). The server's
// certificate and host name are always checked.
class SmtpTrust {
public:
    // No extra authority: the system's alone. Throws std::runtime_error when the named
    // file cannot be read or holds no certificate.
    explicit SmtpTrust(const std::filesystem::path& extra_authority);

    void apply(CURL* handle) const;

private:
    std::string bundle_;  // the system's bundle and the extra authority, PEM; empty without one
};

// What the TLS library said about a failed handshake or certificate check, for the log;
// empty for other failures, whose text may come from the server.
std::string tls_failure_detail(CURLcode result, const char* error_buffer);

}  // namespace lumora
