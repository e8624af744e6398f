#pragma once

#include <winsock2.h>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// A small HTTP server on 127.0.0.1 for tests: it records every request and
// answers each with what the test's responder returns. A responder that
// returns nothing leaves the connection open and unanswered.
class LoopbackHttpServer {
 public:
  struct Request {
    std::string method;
    std::string target;
    std::map<std::string, std::string> headers;  // names in lower case
    std::string body;
  };
  using Responder = std::function<std::optional<std::string>(const Request&)>;

  // Port 0 takes any free port.
  explicit LoopbackHttpServer(Responder responder, unsigned short port = 0);
  ~LoopbackHttpServer();
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  unsigned short Port() const { return port_; }
  std::wstring Url(const std::wstring& target) const;
  std::vector<Request> Requests() const;

  // A complete reply with a Content-Length.
  static std::string Reply(int status, const std::string& contentType, const std::string& body);

 private:
  void Serve();
  void Handle(SOCKET client);

  Responder responder_;
  SOCKET listener_ = INVALID_SOCKET;
  unsigned short port_ = 0;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::vector<Request> requests_;
  std::vector<SOCKET> held_;
  std::thread thread_;
};
