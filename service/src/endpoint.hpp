#pragma once

#include <string>

namespace lumora {

struct Endpoint {
    std::string host;
    int port = 0;

    // "host:port", with IPv6 hosts in brackets.
    std::string text() const {
        const bool v6 = host.find(':') != std::string::npos;
        return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
    }
};

}  // namespace lumora
