#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumora {

// The fronts (a load balancer, a TLS terminator) whose X-Forwarded-For is believed.
// Behind one, a request speaks for the address the front itself saw, the header's last
// hop; earlier hops are whatever the client chose to send and are ignored.
class TrustedProxies {
public:
    TrustedProxies() = default;
    // Numeric IPv4 or IPv6 addresses separated by commas; throws std::invalid_argument
    // naming the first that is not one.
    explicit TrustedProxies(std::string_view addresses);

    bool empty() const { return addresses_.empty(); }
    bool trusts(std::string_view peer) const;
    // The client a request from `peer` speaks for. `forwarded_for` is the request's last
    // X-Forwarded-For value, empty when there is none; a trusted peer with no usable last
    // hop stands for itself.
    std::string client_of(const std::string& peer, std::string_view forwarded_for) const;

private:
    std::vector<std::string> addresses_;
};

// One spelling per address, so the same client is one key to every limit: IPv6 in its
// short form, and IPv4 mapped into IPv6 as plain IPv4. Nothing when it is no address.
std::optional<std::string> canonical_address(std::string_view text);

}  // namespace lumora
