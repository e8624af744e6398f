#pragma once

#include <string>
#include <vector>

#include "harness.hpp"
#include "test_authority.hpp"

namespace lumora::testing {

// nginx (Debian's nginx-light) in front of service instances, set up as the example site
// sets it up: it terminates TLS with `certificate`, balances round robin over the
// instances and reaches them over TLS too (trusting `authority`), on kept-alive
// connections, with X-Forwarded-For. It listens on a free loopback port.
class NginxFront {
public:
    NginxFront(const fs::path& dir, const IssuedCertificate& certificate, const fs::path& authority,
               const std::vector<int>& instance_ports);

    int port() const { return port_; }
    // One "PATH INSTANCE STATUS" line per request answered, the instance as HOST:PORT.
    std::vector<std::string> requests() const;

private:
    fs::path dir_;
    int port_;
    std::optional<ChildProcess> process_;
};

}  // namespace lumora::testing
