#include "LoopbackHttpServer.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

bool ParseHead(const std::string& head, LoopbackHttpServer::Request& request) {
  size_t lineEnd = head.find("\r\n");
  const std::string first = head.substr(0, lineEnd);
  const size_t space1 = first.find(' ');
  const size_t space2 = first.find(' ', space1 + 1);
  if (space1 == std::string::npos || space2 == std::string::npos) return false;
  request.method = first.substr(0, space1);
  request.target = first.substr(space1 + 1, space2 - space1 - 1);
  while (lineEnd != std::string::npos && lineEnd + 2 < head.size()) {
    const size_t start = lineEnd + 2;
    lineEnd = head.find("\r\n", start);
    const std::string line = head.substr(start, lineEnd - start);
    const size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    const size_t valueStart = line.find_first_not_of(' ', colon + 1);
    request.headers[Lower(line.substr(0, colon))] =
        valueStart == std::string::npos ? "" : line.substr(valueStart);
  }
  return true;
}

}  // namespace

LoopbackHttpServer::LoopbackHttpServer(Responder responder, unsigned short port, bool keepAlive)
    : responder_(std::move(responder)), keepAlive_(keepAlive) {
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  // A fixed port must be usable again while the last run's connections linger.
  const BOOL reuse = port != 0;
  setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse), sizeof(reuse));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  int length = sizeof(address);
  if (bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(listener_, 16) != 0 ||
      getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    throw std::runtime_error("loopback listener failed");
  }
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Serve(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
  stop_ = true;
  thread_.join();
  for (std::thread& served : served_) served.join();
  closesocket(listener_);
  for (SOCKET s : held_) closesocket(s);
  WSACleanup();
}

std::wstring LoopbackHttpServer::Url(const std::wstring& target) const {
  return L"http://127.0.0.1:" + std::to_wstring(port_) + target;
}

std::vector<LoopbackHttpServer::Request> LoopbackHttpServer::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

std::string LoopbackHttpServer::Reply(int status, const std::string& contentType, const std::string& body,
                                      const std::string& extra) {
  std::string reply = "HTTP/1.1 " + std::to_string(status) + " X\r\n";
  if (!contentType.empty()) reply += "Content-Type: " + contentType + "\r\n";
  reply += extra + "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n";
  return reply + body;
}

std::string LoopbackHttpServer::KeptAliveReply(int status, const std::string& contentType, const std::string& body) {
  return "HTTP/1.1 " + std::to_string(status) + " X\r\nContent-Type: " + contentType +
         "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

void LoopbackHttpServer::Serve() {
  while (!stop_) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(listener_, &readable);
    timeval wait{0, 50000};
    if (select(0, &readable, nullptr, nullptr, &wait) <= 0) continue;
    const SOCKET client = accept(listener_, nullptr, nullptr);
    if (client == INVALID_SOCKET) continue;
    ++connections_;
    if (keepAlive_) {
      served_.emplace_back([this, client] { Handle(client); });
    } else {
      Handle(client);
    }
  }
}

// Waits for data in short steps so that a stopping server ends the wait.
bool LoopbackHttpServer::ReadRequest(SOCKET client, std::string& pending, Request& request) {
  char buffer[4096];
  auto more = [&] {
    for (;;) {
      if (stop_) return false;
      fd_set readable;
      FD_ZERO(&readable);
      FD_SET(client, &readable);
      timeval wait{0, 50000};
      const int ready = select(0, &readable, nullptr, nullptr, &wait);
      if (ready < 0) return false;
      if (ready == 0) continue;
      const int got = recv(client, buffer, sizeof(buffer), 0);
      if (got <= 0) return false;
      pending.append(buffer, got);
      return true;
    }
  };
  size_t headEnd = std::string::npos;
  while ((headEnd = pending.find("\r\n\r\n")) == std::string::npos) {
    if (!more()) return false;
  }
  request = Request();
  if (!ParseHead(pending.substr(0, headEnd), request)) return false;
  const size_t length = request.headers.contains("content-length")
                            ? std::stoul(request.headers["content-length"]) : 0;
  pending.erase(0, headEnd + 4);
  while (pending.size() < length) {
    if (!more()) return false;
  }
  request.body = pending.substr(0, length);
  pending.erase(0, length);
  return true;
}

// Sends the reply; false when the connection is to be held or closed.
bool LoopbackHttpServer::Answer(SOCKET client, const Request& request) {
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(request);
  }
  const std::optional<std::string> reply = responder_(request);
  if (!reply) {
    std::lock_guard lock(mutex_);
    held_.push_back(client);
    return false;
  }
  size_t sent = 0;
  while (sent < reply->size()) {
    const int put = send(client, reply->data() + sent, static_cast<int>(reply->size() - sent), 0);
    if (put <= 0) break;
    sent += put;
  }
  return true;
}

void LoopbackHttpServer::Handle(SOCKET client) {
  std::string pending;
  Request request;
  do {
    if (!ReadRequest(client, pending, request)) break;
    if (!Answer(client, request)) return;
  } while (keepAlive_);
  shutdown(client, SD_SEND);
  closesocket(client);
}
