#include "smtp_transport.hpp"

#include <curl/curl.h>

#include <cstring>
#include <memory>
#include <stdexcept>

namespace lumora {
namespace {

struct EasyCleanup {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct ListCleanup {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using EasyHandle = std::unique_ptr<CURL, EasyCleanup>;
using StringList = std::unique_ptr<curl_slist, ListCleanup>;

struct Upload {
    std::string_view remaining;
};

std::size_t read_upload(char* buffer, std::size_t size, std::size_t count, void* user) {
    auto* upload = static_cast<Upload*>(user);
    const std::size_t n = std::min(size * count, upload->remaining.size());
    std::memcpy(buffer, upload->remaining.data(), n);
    upload->remaining.remove_prefix(n);
    return n;
}

int check_stop(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<std::stop_token*>(user)->stop_requested() ? 1 : 0;
}

std::string smtp_url(const SmtpSettings& settings) {
    const char* scheme = settings.security == SmtpSecurity::tls ? "smtps://" : "smtp://";
    return scheme + settings.server.text();
}

// Server replies of 5xx and a refused login will not change by retrying.
Delivery classify(CURLcode code, long response) {
    if (code == CURLE_OK) return Delivery::sent;
    if (code == CURLE_LOGIN_DENIED || response >= 500) return Delivery::rejected;
    return Delivery::retry;
}

}  // namespace

SmtpTransport::SmtpTransport(SmtpSettings settings)
    : settings_(std::move(settings)), url_(smtp_url(settings_)), trust_(settings_.authority) {}

SendResult SmtpTransport::send(const OutgoingMail& mail, const std::string& code, std::stop_token stop) {
    EasyHandle curl(curl_easy_init());
    if (!curl) return {Delivery::retry, "cannot create a mail connection"};
    const std::string mailbox = "<" + mail.address + ">";
    StringList recipients(curl_slist_append(nullptr, mailbox.c_str()));
    Upload upload{mail.message};
    const long timeout = static_cast<long>(settings_.timeout.count());

    CURL* h = curl.get();
    curl_easy_setopt(h, CURLOPT_URL, url_.c_str());
    curl_easy_setopt(h, CURLOPT_USERNAME, mail.address.c_str());
    curl_easy_setopt(h, CURLOPT_PASSWORD, code.c_str());
    curl_easy_setopt(h, CURLOPT_MAIL_FROM, mailbox.c_str());
    curl_easy_setopt(h, CURLOPT_MAIL_RCPT, recipients.get());
    curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(h, CURLOPT_READFUNCTION, read_upload);
    curl_easy_setopt(h, CURLOPT_READDATA, &upload);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, timeout);
    curl_easy_setopt(h, CURLOPT_TIMEOUT, timeout);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, check_stop);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &stop);
    if (settings_.security == SmtpSecurity::starttls) curl_easy_setopt(h, CURLOPT_USE_SSL, CURLUSESSL_ALL);
    trust_.apply(h);
    char errors[CURL_ERROR_SIZE] = "";
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errors);

    const CURLcode result = curl_easy_perform(h);
    long response = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &response);
    // Only curl's fixed text and the reply number are logged: the server's reply text
    // is not ours to vouch for.
    std::string detail = curl_easy_strerror(result);
    if (response != 0) detail += " (server reply " + std::to_string(response) + ")";
    if (const std::string tls = tls_failure_detail(result, errors); !tls.empty()) detail += ": " + tls;
    return {classify(result, response), detail};
}

CurlLibrary::CurlLibrary() {
    if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) throw std::runtime_error("cannot initialise libcurl");
}

CurlLibrary::~CurlLibrary() { curl_global_cleanup(); }

}  // namespace lumora
