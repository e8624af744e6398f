#include "smtp_trust.hpp"

#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>

namespace lumora {
namespace {

// A bundle of every public authority is about 200 KB.
constexpr std::uintmax_t max_bundle_bytes = 4 << 20;

std::string read_pem(const std::filesystem::path& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error) throw std::runtime_error("cannot read " + path.string() + ": " + error.message());
    if (size > max_bundle_bytes) throw std::runtime_error(path.string() + " is too large for certificates");
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The bundle libcurl reads when told nothing else, as Debian builds it.
std::string system_bundle() {
    const std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> handle(curl_easy_init(), &curl_easy_cleanup);
    char* path = nullptr;
    if (!handle || curl_easy_getinfo(handle.get(), CURLINFO_CAINFO, &path) != CURLE_OK || !path) return {};
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return {};
    return read_pem(path);
}

}  // namespace

SmtpTrust::SmtpTrust(const std::filesystem::path& extra_authority) {
    if (extra_authority.empty()) return;
    const std::string extra = read_pem(extra_authority);
    if (extra.find("-----BEGIN CERTIFICATE-----") == std::string::npos)
        throw std::runtime_error("no certificate in " + extra_authority.string());
    // A bundle given in memory takes the place of libcurl's default file, so it carries
    // the system's authorities too.
    bundle_ = system_bundle() + "\n" + extra;
}

void SmtpTrust::apply(CURL* handle) const {
    curl_easy_setopt(handle, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
    if (bundle_.empty()) return;
    curl_blob blob{const_cast<char*>(bundle_.data()), bundle_.size(), CURL_BLOB_NOCOPY};
    curl_easy_setopt(handle, CURLOPT_CAINFO_BLOB, &blob);
}

std::string tls_failure_detail(CURLcode result, const char* error_buffer) {
    switch (result) {
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_SSL_CACERT_BADFILE:
            return error_buffer;
        default:
            return {};
    }
}

}  // namespace lumora
