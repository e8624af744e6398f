#pragma once

#include <gnutls/abstract.h>

#include <memory>
#include <mutex>
#include <string>

#include "http/tls_files.hpp"

namespace lumora {

// The certificate chain and key the HTTPS port presents. A reload replaces both at once
// for the handshakes that follow; sessions already set up keep what they were given.
class TlsCredentials {
public:
    // Throws std::runtime_error with a one-line reason when the files cannot be used.
    explicit TlsCredentials(TlsFiles files);
    ~TlsCredentials();
    TlsCredentials(const TlsCredentials&) = delete;
    TlsCredentials& operator=(const TlsCredentials&) = delete;

    // Reads both files again. On failure the loaded pair stays in use and the reason is
    // thrown as std::runtime_error.
    void reload();
    // The loaded certificate's subject and expiry, for the log.
    std::string summary() const;

    // GnuTLS's certificate callback (MHD_OPTION_HTTPS_CERT_CALLBACK2). Each handshake gets
    // its own copy of the pair, freed by GnuTLS with the session, so a reload never frees
    // what a session still uses.
    static int retrieve(gnutls_session_t session, const gnutls_cert_retr_st* info, gnutls_pcert_st** certificates,
                        unsigned* certificate_count, gnutls_ocsp_data_st** ocsp, unsigned* ocsp_count,
                        gnutls_privkey_t* key, unsigned* flags);

    struct Pair;

private:
    std::shared_ptr<const Pair> current() const;

    TlsFiles files_;
    mutable std::mutex mutex_;
    std::shared_ptr<const Pair> pair_;
};

}  // namespace lumora
