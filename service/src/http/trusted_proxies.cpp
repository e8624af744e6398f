#include "http/trusted_proxies.hpp"

#include <arpa/inet.h>

#include <algorithm>
#include <stdexcept>

namespace lumora {
namespace {

std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

std::optional<std::string> canonical_address(std::string_view text) {
    // Longer than any numeric address: not one, and not copied.
    if (text.empty() || text.size() >= INET6_ADDRSTRLEN) return std::nullopt;
    const std::string copy(text);
    char out[INET6_ADDRSTRLEN];
    in_addr v4{};
    if (inet_pton(AF_INET, copy.c_str(), &v4) == 1) return inet_ntop(AF_INET, &v4, out, sizeof out);
    in6_addr v6{};
    if (inet_pton(AF_INET6, copy.c_str(), &v6) != 1) return std::nullopt;
    if (IN6_IS_ADDR_V4MAPPED(&v6)) return inet_ntop(AF_INET, &v6.s6_addr[12], out, sizeof out);
    return inet_ntop(AF_INET6, &v6, out, sizeof out);
}

TrustedProxies::TrustedProxies(std::string_view addresses) {
    for (;;) {
        const std::size_t comma = addresses.find(',');
        const std::string_view item = trimmed(addresses.substr(0, comma));
        const auto address = canonical_address(item);
        if (!address) throw std::invalid_argument("'" + std::string(item) + "' is not a numeric IP address");
        addresses_.push_back(*address);
        if (comma == std::string_view::npos) return;
        addresses = addresses.substr(comma + 1);
    }
}

bool TrustedProxies::trusts(std::string_view peer) const {
    const auto address = canonical_address(peer);
    return address && std::find(addresses_.begin(), addresses_.end(), *address) != addresses_.end();
}

std::string TrustedProxies::client_of(const std::string& peer, std::string_view forwarded_for) const {
    if (!trusts(peer)) return peer;
    const std::size_t comma = forwarded_for.rfind(',');
    const std::string_view last = trimmed(comma == std::string_view::npos ? forwarded_for : forwarded_for.substr(comma + 1));
    return canonical_address(last).value_or(peer);
}

}  // namespace lumora
