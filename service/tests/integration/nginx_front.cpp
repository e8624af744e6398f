#include "nginx_front.hpp"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace lumora::testing {
namespace {

bool accepts_connections(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool connected = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

}  // namespace

NginxFront::NginxFront(const fs::path& dir, const IssuedCertificate& certificate, const fs::path& authority,
                       const std::vector<int>& instance_ports)
    : dir_(dir), port_(free_loopback_port()) {
    fs::create_directories(dir_ / "temp");
    std::ostringstream upstream;
    for (const int port : instance_ports) upstream << "        server 127.0.0.1:" << port << ";\n";
    const std::string d = dir_.string();
    std::ofstream(dir_ / "nginx.conf") << (geteuid() == 0 ? "user root;\n" : "") << "worker_processes 1;\n"
        << "pid " << d << "/nginx.pid;\n"
        << "error_log " << d << "/error.log warn;\n"
        << "events { worker_connections 256; }\n"
        << "http {\n"
        << "    client_body_temp_path " << d << "/temp/body;\n"
        << "    proxy_temp_path " << d << "/temp/proxy;\n"
        << "    fastcgi_temp_path " << d << "/temp/fastcgi;\n"
        << "    uwsgi_temp_path " << d << "/temp/uwsgi;\n"
        << "    scgi_temp_path " << d << "/temp/scgi;\n"
        // The query holds the authorisation code: only the path is logged.
        << "    log_format instances '$uri $upstream_addr $status';\n"
        << "    access_log " << d << "/access.log instances;\n"
        << "    upstream lumora_service {\n" << upstream.str() << "        keepalive 8;\n    }\n"
        << "    server {\n"
        << "        listen 127.0.0.1:" << port_ << " ssl;\n"
        << "        ssl_certificate " << certificate.certificate.string() << ";\n"
        << "        ssl_certificate_key " << certificate.key.string() << ";\n"
        << "        ssl_protocols TLSv1.2 TLSv1.3;\n"
        << "        location /velmor305/ {\n"
        << "            proxy_pass https://lumora_service;\n"
        << "            proxy_ssl_verify on;\n"
        << "            proxy_ssl_trusted_certificate " << authority.string() << ";\n"
        << "            proxy_ssl_name localhost;\n"
        << "            proxy_ssl_session_reuse on;\n"
        << "            proxy_http_version 1.1;\n"
        << "            proxy_set_header Connection \"\";\n"
        << "            proxy_set_header X-Forwarded-For $remote_addr;\n"
        << "            proxy_next_upstream error timeout;\n"
        << "        }\n"
        << "    }\n"
        << "}\n";
    process_.emplace(std::vector<std::string>{LUMORA_TEST_NGINX, "-e", d + "/error.log", "-p", d, "-c",
                                              d + "/nginx.conf", "-g", "daemon off;"},
                     dir_ / "nginx.out");
    if (!eventually([&] { return accepts_connections(port_); }))
        throw std::runtime_error("nginx did not start:\n" + read_file(dir_ / "nginx.out") +
                                 read_file(dir_ / "error.log"));
}

std::vector<std::string> NginxFront::requests() const {
    std::vector<std::string> lines;
    std::istringstream log(read_file(dir_ / "access.log"));
    for (std::string line; std::getline(log, line);) lines.push_back(line);
    return lines;
}

}  // namespace lumora::testing
