#pragma once

#include <string>

// How a request to the reminder service ended.
enum class ReplyKind {
  Success,  // a 2xx with a plain-text body: text is the reply body
  Refusal,  // the service read the request and said no: text is its reason
  Failure,  // no usable answer (unreachable, time-out, server error, odd reply): text is empty
};

// What went wrong when a request failed.
enum class FailureCause {
  Unknown,       // error holds WinHTTP's error code when there is one
  Certificate,   // the certificate is not trusted or names another host
  NameNotFound,  // the host name does not resolve
  Refused,       // nothing accepts the connection
  TimedOut,      // no answer within the request's bound
  Status,        // an HTTP status that is neither success nor refusal
  Redirect,      // a 3xx: redirects are not followed
  NotPlainText,  // a 2xx that is not the service's plain text (a login page, say)
  ClearText,     // http:// to a host other than this computer: nothing was sent
};

struct ServiceReply {
  ReplyKind kind = ReplyKind::Failure;
  unsigned status = 0;  // the HTTP status, 0 when no reply head arrived
  std::wstring text;
  FailureCause cause = FailureCause::Unknown;
  unsigned long error = 0;  // WinHTTP's error code of a failure, 0 when none
};

// The longest bound of one request, from the call to the last byte of the body.
inline constexpr unsigned kRequestBudgetMs = 10000;

// POSTs an empty body to url on a session of its own and tells success from
// refusal from failure. Success is a 2xx whose body is plain text; a redirect
// is not followed. A refusal is a 4xx whose body is short plain text, other
// than 408 and 429, which only say "not now". A body over 1 MiB, a request
// that runs over its budget (at most kRequestBudgetMs) or any other error is
// a failure; it never throws.
ServiceReply PostUrl(const std::wstring& url, unsigned budgetMs = kRequestBudgetMs);

// Sorts a reply that arrived whole by its status, body and Content-Type.
ServiceReply ClassifyReply(unsigned status, const std::string& body, const std::wstring& contentType);

// The reply body decoded by the charset named in a Content-Type value:
// GBK, GB2312 and GB18030 through code page 936, anything else as UTF-8.
std::wstring DecodeReply(const std::string& body, const std::wstring& contentType);
