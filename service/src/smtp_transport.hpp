#pragma once

#include <chrono>
#include <filesystem>

#include "endpoint.hpp"
#include "smtp_trust.hpp"
#include "transport.hpp"

namespace lumora {

enum class SmtpSecurity {
    tls,       // TLS from the first byte (port 465)
    starttls,  // plain connection upgraded before login (port 587)
    plain,     // no encryption; only for a test server on loopback
};

struct SmtpSettings {
    Endpoint server;
    SmtpSecurity security = SmtpSecurity::tls;
    std::chrono::seconds timeout{30};
    std::filesystem::path authority;  // trusted besides the system's authorities
};

// Sends through the user's own mailbox, logging in with the address and the
// authorisation code.
class SmtpTransport : public MailTransport {
public:
    explicit SmtpTransport(SmtpSettings settings);

    bool needs_code() const override { return true; }
    SendResult send(const OutgoingMail& mail, const std::string& code, std::stop_token stop) override;
    CodeCheck check_code(const std::string& address, const std::string& code, bool replacing) override;

private:
    SmtpSettings settings_;
    std::string url_;
    SmtpTrust trust_;
};

// Process-wide libcurl set-up, held by main for the life of the program.
class CurlLibrary {
public:
    CurlLibrary();
    ~CurlLibrary();
    CurlLibrary(const CurlLibrary&) = delete;
    CurlLibrary& operator=(const CurlLibrary&) = delete;
};

}  // namespace lumora
