#include "smtp_transport.hpp"

#include <curl/curl.h>

#include <cstring>
#include <memory>
#include <stdexcept>

#include "smtp_reply.hpp"

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

// Curl reports every refused login alike, whatever the reply; the trace tells which
// command the server answered and how. Each call carries one or more whole lines.
int trace(CURL*, curl_infotype type, char* data, std::size_t size, void* user) {
    if (type != CURLINFO_HEADER_OUT && type != CURLINFO_HEADER_IN) return 0;
    auto& dialogue = *static_cast<SmtpDialogue*>(user);
    std::string_view lines(data, size);
    while (!lines.empty()) {
        const std::size_t end = lines.find('\n');
        const std::string_view line = lines.substr(0, end);
        if (type == CURLINFO_HEADER_OUT)
            dialogue.sent(line);
        else
            dialogue.received(line);
        lines.remove_prefix(end == std::string_view::npos ? lines.size() : end + 1);
    }
    return 0;
}

// One connection to the mail server as a send and a login check share it: the server,
// its security and trust, the login, the time limits and the trace of the dialogue.
class Session {
public:
    Session(const SmtpSettings& settings, const std::string& url, const SmtpTrust& trust, const std::string& address,
            const std::string& code, std::stop_token& stop)
        : curl_(curl_easy_init()) {
        CURL* h = curl_.get();
        if (!h) return;
        const long timeout = static_cast<long>(settings.timeout.count());
        curl_easy_setopt(h, CURLOPT_URL, url.c_str());
        curl_easy_setopt(h, CURLOPT_USERNAME, address.c_str());
        curl_easy_setopt(h, CURLOPT_PASSWORD, code.c_str());
        curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, timeout);
        curl_easy_setopt(h, CURLOPT_TIMEOUT, timeout);
        curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, check_stop);
        curl_easy_setopt(h, CURLOPT_XFERINFODATA, &stop);
        if (settings.security == SmtpSecurity::starttls) curl_easy_setopt(h, CURLOPT_USE_SSL, CURLUSESSL_ALL);
        trust.apply(h);
        curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errors_);
        curl_easy_setopt(h, CURLOPT_DEBUGFUNCTION, trace);
        curl_easy_setopt(h, CURLOPT_DEBUGDATA, &dialogue_);
        curl_easy_setopt(h, CURLOPT_VERBOSE, 1L);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    CURL* handle() const { return curl_.get(); }
    const SmtpDialogue& dialogue() const { return dialogue_; }
    const char* errors() const { return errors_; }

private:
    EasyHandle curl_;
    char errors_[CURL_ERROR_SIZE] = "";
    SmtpDialogue dialogue_;
};

}  // namespace

SmtpTransport::SmtpTransport(SmtpSettings settings)
    : settings_(std::move(settings)), url_(smtp_url(settings_)), trust_(settings_.authority) {}

SendResult SmtpTransport::send(const OutgoingMail& mail, const std::string& code, std::stop_token stop) {
    const Session session(settings_, url_, trust_, mail.address, code, stop);
    CURL* h = session.handle();
    if (!h) return {Delivery::retry, "cannot create a mail connection"};
    const std::string mailbox = "<" + mail.address + ">";
    StringList recipients(curl_slist_append(nullptr, mailbox.c_str()));
    Upload upload{mail.message};
    curl_easy_setopt(h, CURLOPT_MAIL_FROM, mailbox.c_str());
    curl_easy_setopt(h, CURLOPT_MAIL_RCPT, recipients.get());
    curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(h, CURLOPT_READFUNCTION, read_upload);
    curl_easy_setopt(h, CURLOPT_READDATA, &upload);

    const CURLcode result = curl_easy_perform(h);
    // Only curl's fixed text, the command and the reply code are logged: the server's
    // reply text is not ours to vouch for.
    std::string detail = std::string(curl_easy_strerror(result)) + " (" + describe_reply(session.dialogue()) + ")";
    if (const std::string tls = tls_failure_detail(result, session.errors()); !tls.empty()) detail += ": " + tls;
    return {classify_smtp(result == CURLE_OK, session.dialogue()), detail};
}

// Connecting only runs the greeting, the upgrade to TLS and the login, and stops before
// any mail; closing the handle says QUIT.
CodeCheck SmtpTransport::check_code(const std::string& address, const std::string& code, bool) {
    std::stop_token never;
    const Session session(settings_, url_, trust_, address, code, never);
    if (!session.handle()) return CodeCheck::unavailable;
    curl_easy_setopt(session.handle(), CURLOPT_CONNECT_ONLY, 1L);
    const CURLcode result = curl_easy_perform(session.handle());
    switch (classify_smtp(result == CURLE_OK, session.dialogue())) {
        case Delivery::sent: return CodeCheck::accepted;
        case Delivery::rejected: return CodeCheck::refused;
        case Delivery::retry: break;
    }
    return CodeCheck::unavailable;
}

CurlLibrary::CurlLibrary() {
    if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) throw std::runtime_error("cannot initialise libcurl");
}

CurlLibrary::~CurlLibrary() { curl_global_cleanup(); }

}  // namespace lumora
