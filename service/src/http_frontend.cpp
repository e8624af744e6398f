#include "http_frontend.hpp"

#include <stdexcept>
#include <thread>

#include "log.hpp"

namespace lumora {
namespace {

constexpr const char* content_type = "text/plain; charset=utf-8";
// The client's requests carry everything in the query; a body is never needed.
constexpr std::size_t max_body_bytes = 4096;
constexpr int io_timeout_seconds = 5;
constexpr int stop_attempts = 500;

std::string_view query_of(std::string_view target) {
    const std::size_t question = target.find('?');
    return question == std::string_view::npos ? std::string_view{} : target.substr(question + 1);
}

}  // namespace

HttpFrontend::HttpFrontend(ReminderService& service) : service_(service) {
    auto get = [this](const httplib::Request& request, httplib::Response& response) { answer(request, response); };
    // A POST without Content-Length has no body; with the reader form httplib does not
    // wait for one. A body that is announced is read and thrown away.
    auto post = [this](const httplib::Request& request, httplib::Response& response,
                       const httplib::ContentReader& reader) {
        const bool has_body = request.has_header("Content-Length") || request.has_header("Transfer-Encoding");
        if (has_body && !reader([](const char*, std::size_t) { return true; })) {
            response.status = 413;
            response.set_content("请求过长", content_type);
            return;
        }
        answer(request, response);
    };
    // Every path goes to the service, which answers unknown ones with 404.
    server_.Get(".*", get);
    server_.Post(".*", post);
    server_.set_payload_max_length(max_body_bytes);
    server_.set_read_timeout(io_timeout_seconds);
    server_.set_write_timeout(io_timeout_seconds);
    server_.set_keep_alive_timeout(io_timeout_seconds);
    server_.set_error_handler([](const httplib::Request&, httplib::Response& response) {
        if (response.body.empty())
            response.set_content(response.status == 404 ? "未找到" : "请求无效", content_type);
    });
    server_.set_exception_handler([](const httplib::Request& request, httplib::Response& response, std::exception_ptr) {
        log_line("unexpected failure serving " + request.path);
        response.status = 500;
        response.set_content("服务内部错误", content_type);
    });
    // The query holds the authorisation code, so only the path is ever logged.
    server_.set_logger([](const httplib::Request& request, const httplib::Response& response) {
        if (response.status >= 400)
            log_line(request.method + " " + request.path + " -> " + std::to_string(response.status) + " " +
                     response.body);
    });
}

void HttpFrontend::answer(const httplib::Request& request, httplib::Response& response) {
    const Reply reply = service_.handle(request.path, query_of(request.target));
    response.status = reply.status;
    response.set_content(reply.body, content_type);
}

int HttpFrontend::bind(const Endpoint& endpoint) {
    const int port = endpoint.port == 0 ? server_.bind_to_any_port(endpoint.host)
                                        : (server_.bind_to_port(endpoint.host, endpoint.port) ? endpoint.port : -1);
    if (port <= 0) throw std::runtime_error("cannot listen on " + endpoint.text());
    return port;
}

void HttpFrontend::serve() {
    if (!server_.listen_after_bind()) log_line("HTTP server stopped with an error");
    finished_ = true;
}

// httplib ignores stop() until its accept loop runs, so keep asking until serve() returns.
void HttpFrontend::stop() {
    for (int i = 0; i < stop_attempts && !finished_; ++i) {
        server_.stop();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace lumora
