#pragma once

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "endpoint.hpp"
#include "http/connection_limits.hpp"
#include "http/tls_files.hpp"
#include "http/trusted_proxies.hpp"
#include "mail_worker.hpp"
#include "smtp_transport.hpp"
#include "trust/code_gate.hpp"
#include "version.hpp"

namespace lumora {

enum class TransportKind { smtp, outbox };

struct Options {
    Endpoint listen{"127.0.0.1", 8305};
    ConnectionLimits connections;
    TlsFiles tls;  // none: plain HTTP
    TrustedProxies trusted_proxies;
    std::filesystem::path database = "lumora-service.db";  // or a postgresql:// URI
    std::chrono::milliseconds claim_lease{std::chrono::minutes(2)};
    std::filesystem::path tips_file = "tips.txt";
    Version min_version = *Version::parse("3.0.5");
    std::string domain = "qq.com";
    TransportKind transport = TransportKind::smtp;
    SmtpSettings smtp;  // server defaults to smtp.<domain>:465
    std::filesystem::path outbox = "outbox";
    std::chrono::milliseconds heartbeat_grace{std::chrono::seconds(60)};
    RetryPolicy retry;
    int rate_limit = 30;
    GateLimits gate;
    // Empty: beside a SQLite database, or in a shared one.
    std::filesystem::path code_key;
};

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Flags come as "--name value" or "--name=value". Throws UsageError.
Options parse_options(const std::vector<std::string_view>& args);
bool asks_for_help(const std::vector<std::string_view>& args);
std::string usage_text();

// "250ms", "5s", "10m", "24h"; a bare number is seconds. Must be positive.
std::chrono::milliseconds parse_duration(std::string_view text);
// "host:port" or "[v6]:port".
Endpoint parse_endpoint(std::string_view text, bool allow_any_port);

}  // namespace lumora
