#pragma once

#include <filesystem>

namespace lumora {

// Where the HTTPS port's certificate and key are read from, at start and on reload.
struct TlsFiles {
    std::filesystem::path certificate;  // PEM, the server's certificate first, then its chain
    std::filesystem::path key;          // PEM or DER, unencrypted

    bool given() const { return !certificate.empty(); }
};

}  // namespace lumora
