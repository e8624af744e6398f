#pragma once

#include <memory>
#include <string>

#include "PostUrl.h"

// One WinHTTP session kept open between requests, so that they share its
// kept-alive connection and TLS session. A failed request closes it; the next
// request opens a new one, as does a request to another host. Used by one
// thread at a time.
class ServiceSession {
 public:
  ServiceSession();
  ~ServiceSession();
  ServiceSession(const ServiceSession&) = delete;
  ServiceSession& operator=(const ServiceSession&) = delete;

  // POSTs an empty body to url with the extra header lines (each ending in
  // CRLF, or empty), within budgetMs (at most kRequestBudgetMs).
  ServiceReply Post(const std::wstring& url, const std::wstring& headers, unsigned budgetMs);

  // How many sessions were opened so far.
  unsigned Opened() const { return opened_; }

 private:
  struct Handles;
  bool Open(const std::wstring& url, const std::wstring& host, unsigned short port);
  ServiceReply Send(const std::wstring& url, const std::wstring& headers, unsigned budgetMs);

  std::unique_ptr<Handles> handles_;
  unsigned opened_ = 0;
};

// The cause of a failed WinHTTP call, by its error code.
FailureCause CauseOfError(unsigned long error);
