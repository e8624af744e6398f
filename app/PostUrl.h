#pragma once

#include <string>

// How a request to the reminder service ended.
enum class ReplyKind {
  Success,  // a 2xx: text is the reply body
  Refusal,  // the service read the request and said no: text is its reason
  Failure,  // no usable answer (unreachable, time-out, server error, odd reply): text is empty
};

struct ServiceReply {
  ReplyKind kind = ReplyKind::Failure;
  unsigned status = 0;  // the HTTP status, 0 when no reply head arrived
  std::wstring text;
};

// The longest bound of one request, from the call to the last byte of the body.
inline constexpr unsigned kRequestBudgetMs = 10000;

// POSTs an empty body to url and tells success from refusal from failure.
// A refusal is a 4xx whose body is short plain text, other than 408 and 429,
// which only say "not now". A body over 1 MiB, a request that runs over its
// budget (at most kRequestBudgetMs) or any other error is a failure; it never
// throws.
ServiceReply PostUrl(const std::wstring& url, unsigned budgetMs = kRequestBudgetMs);

// The reply body decoded by the charset named in a Content-Type value:
// GBK, GB2312 and GB18030 through code page 936, anything else as UTF-8.
std::wstring DecodeReply(const std::string& body, const std::wstring& contentType);
