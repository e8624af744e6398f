#include "http/http_frontend.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <strings.h>
#include <sys/socket.h>

#include <charconv>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "log.hpp"
#include "trust/wipe.hpp"

namespace lumora {
namespace {

constexpr const char* content_type = "text/plain; charset=utf-8";
// The client's requests carry everything in the query; a body is never needed.
constexpr std::size_t max_body_bytes = 4096;
// Silence allowed on a connection, in whole seconds as the library counts.
constexpr unsigned idle_timeout_seconds = 5;
// Each connection's buffer for a request's head and its reply. The library zeroes all of
// it before every request, so its default of 32 KiB cost a heartbeat more than its TLS
// record; the longest request the client sends (a reminder whose 512-byte remark is
// escaped in full) is under 2 KiB.
constexpr std::size_t connection_memory_bytes = 8 * 1024;

struct ResponseFree {
    void operator()(MHD_Response* response) const { MHD_destroy_response(response); }
};

std::string_view query_of(std::string_view target) {
    const std::size_t question = target.find('?');
    return question == std::string_view::npos ? std::string_view{} : target.substr(question + 1);
}

std::string_view header(MHD_Connection* connection, const char* name) {
    const char* value = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, name);
    return value ? std::string_view(value) : std::string_view{};
}

// A declared length past the limit is refused before a byte of the body is read.
bool declares_too_long_body(MHD_Connection* connection) {
    const std::string_view length = header(connection, MHD_HTTP_HEADER_CONTENT_LENGTH);
    std::size_t value = 0;
    const auto [end, error] = std::from_chars(length.data(), length.data() + length.size(), value);
    return error == std::errc::result_out_of_range || (error == std::errc() && value > max_body_bytes);
}

bool announces_body(MHD_Connection* connection) {
    const std::string_view length = header(connection, MHD_HTTP_HEADER_CONTENT_LENGTH);
    return (!length.empty() && length != "0") || !header(connection, MHD_HTTP_HEADER_TRANSFER_ENCODING).empty();
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Decodes the path's %XX escapes in place, except %00: the path reaches the handler as a
// C string, and a zero byte would cut it short, so "/tips.asp%00x" would pass for
// "/tips.asp". A broken escape stays as written. The query is left alone; the service
// decodes it from the raw target by the client's own rules.
std::size_t decode_path(void*, MHD_Connection*, char* path) {
    char* out = path;
    for (const char* in = path; *in != '\0'; ++out) {
        const int high = in[0] == '%' ? hex_digit(in[1]) : -1;
        const int low = high >= 0 ? hex_digit(in[2]) : -1;
        if (low >= 0 && (high | low) != 0) {
            *out = static_cast<char>(high * 16 + low);
            in += 3;
        } else {
            *out = *in++;
        }
    }
    *out = '\0';
    return static_cast<std::size_t>(out - path);
}

// The peer's numeric address, the key of the per-client limits.
std::string client_address(MHD_Connection* connection) {
    const sockaddr* peer = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS)->client_addr;
    char text[INET6_ADDRSTRLEN] = {};
    if (peer->sa_family == AF_INET)
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(peer)->sin_addr, text, sizeof text);
    else if (peer->sa_family == AF_INET6)
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(peer)->sin6_addr, text, sizeof text);
    return text;
}

// The last X-Forwarded-For header, the one the nearest front wrote.
std::string_view last_forwarded_for(MHD_Connection* connection) {
    std::string_view last;
    MHD_get_connection_values_n(
        connection, MHD_HEADER_KIND,
        [](void* out, MHD_ValueKind, const char* key, std::size_t key_size, const char* value,
           std::size_t value_size) {
            constexpr std::string_view name = "X-Forwarded-For";
            if (value && key_size == name.size() && strncasecmp(key, name.data(), name.size()) == 0)
                *static_cast<std::string_view*>(out) = {value, value_size};
            return MHD_YES;
        },
        &last);
    return last;
}

// The library keeps the query's values, the authorisation code among them, in the
// connection's buffer, which it reuses without clearing.
MHD_Result wipe_argument(void*, MHD_ValueKind, const char*, std::size_t, const char* value, std::size_t size) {
    if (value) explicit_bzero(const_cast<char*>(value), size);
    return MHD_YES;
}

// TLS 1.2 and 1.3 only; GnuTLS's defaults within them.
constexpr const char* tls_priorities = "NORMAL:-VERS-ALL:+VERS-TLS1.3:+VERS-TLS1.2";

// The options that turn the port into an HTTPS one, or none.
std::vector<MHD_OptionItem> tls_options(const TlsCredentials* tls) {
    std::vector<MHD_OptionItem> options;
    if (tls) {
        if (MHD_is_feature_supported(MHD_FEATURE_HTTPS_CERT_CALLBACK2) != MHD_YES)
            throw std::runtime_error("this libmicrohttpd cannot serve HTTPS with a reloadable certificate");
        options.push_back({MHD_OPTION_HTTPS_CERT_CALLBACK2, 0, reinterpret_cast<void*>(&TlsCredentials::retrieve)});
        options.push_back({MHD_OPTION_HTTPS_PRIORITIES, 0, const_cast<char*>(tls_priorities)});
    }
    options.push_back({MHD_OPTION_END, 0, nullptr});
    return options;
}

const Reply method_not_allowed{405, "不支持的请求方法"};
const Reply body_too_long{413, "请求过长"};

}  // namespace

// One connection's state, kept for its whole life; the request fields start afresh with
// each request on a kept-alive connection.
struct HttpFrontend::Exchange {
    std::string client;
    bool from_front = false;  // the peer is a trusted proxy
    std::optional<TlsReplyCork> tls;  // on the HTTPS port
    std::string target;  // as sent, so the query keeps the client's own escapes
    bool head_seen = false;
    std::size_t body_bytes = 0;

    // The target holds the authorisation code.
    void start(const char* uri) {
        wipe(target);
        target = uri;
        head_seen = false;
        body_bytes = 0;
    }
    ~Exchange() { wipe(target); }
};

// The gate accepts and enforces the cap; the library's own limit only leaves it room,
// since the library counts a connection as gone a little after reporting it closed.
// Its inter-thread channel lets added connections and the stop reach every event loop.
// HTTPS runs poll loops: under epoll the library reads a connection whose handshake waits
// for the client again and again, so a stalled handshake would keep a thread busy.
HttpFrontend::HttpFrontend(ReminderService& service, ListenSocket socket, ConnectionLimits limits,
                           const TlsCredentials* tls, TrustedProxies proxies)
    : service_(service),
      tls_(tls != nullptr),
      deadlines_(limits.request_time),
      proxies_(std::move(proxies)),
      gate_(std::move(socket), limits.total, tls ? ConnectionGate::Busy::close : ConnectionGate::Busy::answer_503) {
    std::vector<MHD_OptionItem> extra = tls_options(tls);
    const unsigned event_threads = event_threads_for(tls != nullptr, std::thread::hardware_concurrency());
    daemon_.reset(MHD_start_daemon(
        (tls ? MHD_USE_POLL_INTERNAL_THREAD | MHD_USE_TLS : MHD_USE_EPOLL_INTERNAL_THREAD) | MHD_USE_NO_LISTEN_SOCKET |
            MHD_USE_ITC,
        0, nullptr,
        nullptr, &HttpFrontend::on_request, this,
        MHD_OPTION_THREAD_POOL_SIZE, event_threads,
        MHD_OPTION_CONNECTION_LIMIT, limits.total + 64 + event_threads,
        MHD_OPTION_PER_IP_CONNECTION_LIMIT, limits.per_address,
        MHD_OPTION_CONNECTION_TIMEOUT, idle_timeout_seconds,
        MHD_OPTION_CONNECTION_MEMORY_LIMIT, connection_memory_bytes,
        MHD_OPTION_SIGPIPE_HANDLED_BY_APP, 1,
        MHD_OPTION_UNESCAPE_CALLBACK, &decode_path, nullptr,
        MHD_OPTION_URI_LOG_CALLBACK, &HttpFrontend::on_request_line, this,
        MHD_OPTION_NOTIFY_COMPLETED, &HttpFrontend::on_completed, this,
        MHD_OPTION_NOTIFY_CONNECTION, &HttpFrontend::on_connection, this,
        MHD_OPTION_ARRAY, extra.data(),
        MHD_OPTION_END));
    if (!daemon_) throw std::runtime_error("cannot start the HTTP server");
    gate_.start([this](int fd, const sockaddr* address, socklen_t length) {
        return MHD_add_connection(daemon_.get(), fd, address, length) == MHD_YES;
    });
}

// No connection may be handed to the library while it stops.
HttpFrontend::~HttpFrontend() { gate_.stop(); }

void HttpFrontend::on_connection(void* self, MHD_Connection* connection, void** socket_context,
                                 MHD_ConnectionNotificationCode event) {
    auto& frontend = *static_cast<HttpFrontend*>(self);
    if (event == MHD_CONNECTION_NOTIFY_CLOSED) {
        frontend.deadlines_.closed(connection);
        frontend.gate_.closed();
        delete static_cast<Exchange*>(*socket_context);
        return;
    }
    const int fd = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD)->connect_fd;
    // Replies are small and whole: sent at once, not held back for the peer's delayed ACK.
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    auto* exchange = new Exchange;
    exchange->client = client_address(connection);
    exchange->from_front = frontend.proxies_.trusts(exchange->client);
    if (frontend.tls_)
        exchange->tls.emplace(static_cast<gnutls_session_t>(
                                  MHD_get_connection_info(connection, MHD_CONNECTION_INFO_GNUTLS_SESSION)->tls_session),
                              fd);
    *socket_context = exchange;
    frontend.deadlines_.opened(connection, fd);
}

void* HttpFrontend::on_request_line(void*, const char* uri, MHD_Connection* connection) {
    auto* exchange =
        static_cast<Exchange*>(MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT)->socket_context);
    exchange->start(uri);
    return exchange;
}

void HttpFrontend::on_completed(void* self, MHD_Connection* connection, void** request_context,
                                MHD_RequestTerminationCode) {
    MHD_get_connection_values_n(connection, MHD_GET_ARGUMENT_KIND, &wipe_argument, nullptr);
    if (auto* exchange = static_cast<Exchange*>(*request_context)) {
        wipe(exchange->target);
        if (exchange->tls) exchange->tls->reply_done();
    }
    static_cast<HttpFrontend*>(self)->deadlines_.answered(connection);
}

MHD_Result HttpFrontend::on_request(void* self, MHD_Connection* connection, const char* path, const char* method,
                                    const char*, const char*, std::size_t* body_size, void** request_context) {
    auto& frontend = *static_cast<HttpFrontend*>(self);
    auto& exchange = *static_cast<Exchange*>(*request_context);
    // Anything but GET and POST is turned away before its body is read, so it cannot
    // change anything.
    if (!exchange.head_seen) {
        exchange.head_seen = true;
        const std::string_view verb = method;
        if (verb != MHD_HTTP_METHOD_GET && verb != MHD_HTTP_METHOD_POST)
            return frontend.respond(connection, frontend.client_of(connection, exchange), method, path,
                                    method_not_allowed, announces_body(connection));
        if (declares_too_long_body(connection))
            return frontend.respond(connection, frontend.client_of(connection, exchange), method, path,
                                    body_too_long, true);
        return MHD_YES;
    }
    // Body data, declared or chunked, is counted and dropped. The library cannot answer
    // in the middle of a body, so a chunked one past the limit is read to its end, within
    // the time limit for a request, and then refused.
    if (*body_size != 0) {
        exchange.body_bytes += *body_size;
        *body_size = 0;
        return MHD_YES;
    }
    if (exchange.body_bytes > max_body_bytes)
        return frontend.respond(connection, frontend.client_of(connection, exchange), method, path, body_too_long,
                                true);
    frontend.deadlines_.received(connection);
    const std::string client = frontend.client_of(connection, exchange);
    Reply reply;
    try {
        reply =
            frontend.service_.handle(path, query_of(exchange.target), client, header(connection, "Idempotency-Key"));
    } catch (const std::exception& error) {
        log_line("unexpected failure serving " + bounded(path) + ": " + error.what());
        reply = {500, "服务内部错误"};
    }
    return frontend.respond(connection, client, method, path, reply, false);
}

std::string HttpFrontend::client_of(MHD_Connection* connection, const Exchange& exchange) const {
    if (!exchange.from_front) return exchange.client;
    return proxies_.client_of(exchange.client, last_forwarded_for(connection));
}

// The query holds the authorisation code, so only the method and path are ever logged,
// each cut to a bounded length, and a run of one refusal from one client once a minute.
MHD_Result HttpFrontend::respond(MHD_Connection* connection, const std::string& client, const char* method,
                                 const char* path, const Reply& reply, bool close) {
    if (reply.status >= 400) {
        const std::string refusal =
            bounded(method) + " " + bounded(path) + " -> " + std::to_string(reply.status) + " " + reply.body;
        if (const auto line = refusals_.line_for(client, refusal, std::chrono::steady_clock::now())) log_line(*line);
    }
    const std::unique_ptr<MHD_Response, ResponseFree> response(MHD_create_response_from_buffer(
        reply.body.size(), const_cast<char*>(reply.body.data()), MHD_RESPMEM_MUST_COPY));
    if (!response) return MHD_NO;
    MHD_add_response_header(response.get(), MHD_HTTP_HEADER_CONTENT_TYPE, content_type);
    if (reply.status == 405) MHD_add_response_header(response.get(), MHD_HTTP_HEADER_ALLOW, "GET, POST");
    if (close) MHD_add_response_header(response.get(), MHD_HTTP_HEADER_CONNECTION, "close");
    if (MHD_queue_response(connection, static_cast<unsigned>(reply.status), response.get()) != MHD_YES) return MHD_NO;
    auto& exchange = *static_cast<Exchange*>(
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT)->socket_context);
    if (exchange.tls) exchange.tls->reply_queued(reply.body.size());
    return MHD_YES;
}

}  // namespace lumora
