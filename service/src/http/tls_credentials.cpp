#include "http/tls_credentials.hpp"

#include <gnutls/x509.h>

#include <atomic>
#include <ctime>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace lumora {

// The pair as DER, so each handshake parses its own objects and no GnuTLS object is ever
// shared between threads.
struct TlsCredentials::Pair {
    std::vector<std::string> chain;
    std::string key;
    std::string subject;
    std::time_t expires = 0;
};

namespace {

// A certificate chain or key is a few kilobytes; anything much larger is not one.
constexpr std::uintmax_t max_file_bytes = 1 << 20;

// GnuTLS's certificate callback carries no pointer of ours, so the one set of credentials
// the process serves is reached through this slot.
std::atomic<TlsCredentials*> serving{nullptr};

std::runtime_error failure(const std::string& what, int code) {
    return std::runtime_error(what + ": " + gnutls_strerror(code));
}

std::string read_bounded(const std::filesystem::path& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error) throw std::runtime_error("cannot read " + path.string() + ": " + error.message());
    if (size > max_file_bytes) throw std::runtime_error(path.string() + " is too large for a certificate or key");
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in && !in.eof()) throw std::runtime_error("cannot read " + path.string());
    return text;
}

gnutls_datum_t datum_of(const std::string& bytes) {
    return {reinterpret_cast<unsigned char*>(const_cast<char*>(bytes.data())), static_cast<unsigned>(bytes.size())};
}

std::string take(gnutls_datum_t& datum) {
    std::string bytes(reinterpret_cast<const char*>(datum.data), datum.size);
    gnutls_free(datum.data);
    return bytes;
}

struct CertificateList {
    gnutls_x509_crt_t* items = nullptr;
    unsigned count = 0;
    ~CertificateList() {
        for (unsigned i = 0; i < count; ++i) gnutls_x509_crt_deinit(items[i]);
        gnutls_free(items);
    }
};

struct PrivateKey {
    gnutls_x509_privkey_t key = nullptr;
    ~PrivateKey() { gnutls_x509_privkey_deinit(key); }
};

std::string key_id(gnutls_x509_crt_t certificate) {
    unsigned char id[64];
    std::size_t size = sizeof id;
    const int code = gnutls_x509_crt_get_key_id(certificate, GNUTLS_KEYID_USE_SHA256, id, &size);
    if (code < 0) throw failure("cannot read the certificate's public key", code);
    return {reinterpret_cast<const char*>(id), size};
}

std::string key_id(gnutls_x509_privkey_t key) {
    unsigned char id[64];
    std::size_t size = sizeof id;
    const int code = gnutls_x509_privkey_get_key_id(key, GNUTLS_KEYID_USE_SHA256, id, &size);
    if (code < 0) throw failure("cannot read the private key", code);
    return {reinterpret_cast<const char*>(id), size};
}

std::shared_ptr<const TlsCredentials::Pair> load(const TlsFiles& files) {
    const std::string chain_text = read_bounded(files.certificate);
    const std::string key_text = read_bounded(files.key);
    const std::string where = files.certificate.string();

    CertificateList chain;
    gnutls_datum_t chain_datum = datum_of(chain_text);
    int code = gnutls_x509_crt_list_import2(&chain.items, &chain.count, &chain_datum, GNUTLS_X509_FMT_PEM, 0);
    if (code < 0) throw failure("no certificate in " + where, code);
    if (chain.count == 0) throw std::runtime_error("no certificate in " + where);

    PrivateKey key;
    gnutls_x509_privkey_init(&key.key);
    gnutls_datum_t key_datum = datum_of(key_text);
    code = gnutls_x509_privkey_import2(key.key, &key_datum, GNUTLS_X509_FMT_PEM, nullptr, GNUTLS_PKCS_PLAIN);
    if (code < 0) code = gnutls_x509_privkey_import2(key.key, &key_datum, GNUTLS_X509_FMT_DER, nullptr, GNUTLS_PKCS_PLAIN);
    if (code < 0) throw failure("no usable private key in " + files.key.string(), code);
    if (key_id(chain.items[0]) != key_id(key.key))
        throw std::runtime_error("the key in " + files.key.string() + " does not belong to the certificate in " + where);

    auto pair = std::make_shared<TlsCredentials::Pair>();
    for (unsigned i = 0; i < chain.count; ++i) {
        gnutls_datum_t der{};
        code = gnutls_x509_crt_export2(chain.items[i], GNUTLS_X509_FMT_DER, &der);
        if (code < 0) throw failure("cannot encode the certificate from " + where, code);
        pair->chain.push_back(take(der));
    }
    gnutls_datum_t der{};
    // PKCS #8 names the algorithm and curve, so the key parses back on its own.
    code = gnutls_x509_privkey_export2_pkcs8(key.key, GNUTLS_X509_FMT_DER, nullptr, GNUTLS_PKCS_PLAIN, &der);
    if (code < 0) throw failure("cannot encode the key from " + files.key.string(), code);
    pair->key = take(der);

    gnutls_datum_t subject{};
    if (gnutls_x509_crt_get_dn3(chain.items[0], &subject, 0) >= 0) pair->subject = take(subject);
    pair->expires = gnutls_x509_crt_get_expiration_time(chain.items[0]);
    return pair;
}

// Parses the stored DER into objects GnuTLS owns and frees with the session.
int hand_out(const TlsCredentials::Pair& pair, gnutls_pcert_st** certificates, unsigned* count,
             gnutls_privkey_t* key) {
    auto* list = static_cast<gnutls_pcert_st*>(gnutls_malloc(sizeof(gnutls_pcert_st) * pair.chain.size()));
    if (!list) return -1;
    unsigned made = 0;
    gnutls_privkey_t private_key = nullptr;
    int code = gnutls_privkey_init(&private_key);
    if (code >= 0) {
        gnutls_datum_t der = datum_of(pair.key);
        code = gnutls_privkey_import_x509_raw(private_key, &der, GNUTLS_X509_FMT_DER, nullptr, 0);
    }
    for (; code >= 0 && made < pair.chain.size(); ++made) {
        gnutls_datum_t der = datum_of(pair.chain[made]);
        code = gnutls_pcert_import_x509_raw(&list[made], &der, GNUTLS_X509_FMT_DER, 0);
        if (code < 0) break;
    }
    if (code < 0) {
        for (unsigned i = 0; i < made; ++i) gnutls_pcert_deinit(&list[i]);
        gnutls_free(list);
        gnutls_privkey_deinit(private_key);
        return -1;
    }
    *certificates = list;
    *count = made;
    *key = private_key;
    return 0;
}

}  // namespace

TlsCredentials::TlsCredentials(TlsFiles files) : files_(std::move(files)), pair_(load(files_)) {
    TlsCredentials* none = nullptr;
    if (!serving.compare_exchange_strong(none, this))
        throw std::logic_error("only one set of TLS credentials serves a process");
}

TlsCredentials::~TlsCredentials() { serving.store(nullptr); }

void TlsCredentials::reload() {
    std::shared_ptr<const Pair> fresh = load(files_);
    const std::lock_guard lock(mutex_);
    pair_.swap(fresh);
}

std::shared_ptr<const TlsCredentials::Pair> TlsCredentials::current() const {
    const std::lock_guard lock(mutex_);
    return pair_;
}

std::string TlsCredentials::summary() const {
    const std::shared_ptr<const Pair> pair = current();
    char expiry[32] = "?";
    std::tm parts{};
    if (gmtime_r(&pair->expires, &parts)) std::strftime(expiry, sizeof expiry, "%Y-%m-%d %H:%M UTC", &parts);
    return "certificate " + pair->subject + ", valid until " + expiry;
}

int TlsCredentials::retrieve(gnutls_session_t, const gnutls_cert_retr_st*, gnutls_pcert_st** certificates,
                             unsigned* certificate_count, gnutls_ocsp_data_st** ocsp, unsigned* ocsp_count,
                             gnutls_privkey_t* key, unsigned* flags) {
    const TlsCredentials* credentials = serving.load();
    if (!credentials) return -1;
    *ocsp = nullptr;
    *ocsp_count = 0;
    *flags = GNUTLS_CERT_RETR_DEINIT_ALL;
    return hand_out(*credentials->current(), certificates, certificate_count, key);
}

}  // namespace lumora
