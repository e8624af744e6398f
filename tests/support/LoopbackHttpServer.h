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
// returns nothing leaves the connection open and unanswered. A kept-alive
// server serves each connection on a thread of its own until the client
// closes it; otherwise every reply closes its connection.
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
  explicit LoopbackHttpServer(Responder responder, unsigned short port = 0, bool keepAlive = false);
  ~LoopbackHttpServer();
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  unsigned short Port() const { return port_; }
  std::wstring Url(const std::wstring& target) const;
  std::vector<Request> Requests() const;
  // How many connections were accepted.
  int Connections() const { return connections_; }

  // A complete reply with a Content-Length that closes its connection;
  // extra holds further header lines, each ending in CRLF.
  static std::string Reply(int status, const std::string& contentType, const std::string& body,
                           const std::string& extra = "");
  // The same, keeping the connection open for the next request.
  static std::string KeptAliveReply(int status, const std::string& contentType, const std::string& body);

 private:
  void Serve();
  void Handle(SOCKET client);
  // Reads one request; false when the connection ended or the server stops.
  bool ReadRequest(SOCKET client, std::string& pending, Request& request);
  bool Answer(SOCKET client, const Request& request);

  Responder responder_;
  SOCKET listener_ = INVALID_SOCKET;
  unsigned short port_ = 0;
  bool keepAlive_ = false;
  std::atomic<bool> stop_{false};
  std::atomic<int> connections_{0};
  mutable std::mutex mutex_;
  std::vector<Request> requests_;
  std::vector<SOCKET> held_;
  std::vector<std::thread> served_;  // kept-alive connections
  std::thread thread_;
};
