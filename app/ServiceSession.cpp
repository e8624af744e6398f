#include "ServiceSession.h"

#include <windows.h>
#include <winhttp.h>

#include <algorithm>

#include "ServiceAddress.h"
#include "SystemProxy.h"

namespace {

constexpr size_t kMaxBody = 1 << 20;

struct InternetCloser {
  void operator()(HINTERNET h) const { WinHttpCloseHandle(h); }
};
using InternetHandle = std::unique_ptr<void, InternetCloser>;

class Deadline {
 public:
  explicit Deadline(unsigned budgetMs) : end_(GetTickCount64() + std::min(budgetMs, kRequestBudgetMs)) {}
  // Milliseconds left, at least 1 so that WinHTTP never reads 0 as "no limit".
  int Remaining() const {
    const ULONGLONG now = GetTickCount64();
    return now >= end_ ? 1 : static_cast<int>(end_ - now);
  }
  bool Passed() const { return GetTickCount64() >= end_; }

 private:
  ULONGLONG end_;
};

// WinHTTP honours time-outs only when they are set on the request handle, and
// the wait for the reply's head has a limit of its own.
bool LimitWaits(HINTERNET request, const Deadline& deadline) {
  DWORD left = deadline.Remaining();
  return WinHttpSetTimeouts(request, left, left, left, left) &&
         WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &left, sizeof(left));
}

std::wstring QueryText(HINTERNET request, DWORD what) {
  DWORD bytes = 0;
  WinHttpQueryHeaders(request, what, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER, &bytes,
                      WINHTTP_NO_HEADER_INDEX);
  if (bytes == 0) return L"";
  std::wstring text(bytes / sizeof(wchar_t), L'\0');
  if (!WinHttpQueryHeaders(request, what, WINHTTP_HEADER_NAME_BY_INDEX, text.data(), &bytes,
                           WINHTTP_NO_HEADER_INDEX)) {
    return L"";
  }
  text.resize(bytes / sizeof(wchar_t));
  return text;
}

DWORD StatusCode(HINTERNET request) {
  DWORD status = 0;
  DWORD size = sizeof(status);
  WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                      WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX);
  return status;
}

ServiceReply Failed(unsigned status = 0) {
  const DWORD error = GetLastError();
  return {ReplyKind::Failure, status, L"", CauseOfError(error), error};
}

ServiceReply TimedOut(unsigned status = 0) {
  return {ReplyKind::Failure, status, L"", FailureCause::TimedOut, ERROR_WINHTTP_TIMEOUT};
}

}  // namespace

FailureCause CauseOfError(unsigned long error) {
  switch (error) {
    case ERROR_WINHTTP_SECURE_FAILURE:
    case ERROR_WINHTTP_SECURE_INVALID_CA:
    case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
    case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
    case ERROR_WINHTTP_SECURE_INVALID_CERT:
    case ERROR_WINHTTP_SECURE_CERT_REVOKED:
    case ERROR_WINHTTP_SECURE_CERT_REV_FAILED:
    case ERROR_WINHTTP_SECURE_CERT_WRONG_USAGE:
    case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:  // what Wine reports for an untrusted authority
      return FailureCause::Certificate;
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
      return FailureCause::NameNotFound;
    case ERROR_WINHTTP_CANNOT_CONNECT:
      return FailureCause::Refused;
    case ERROR_WINHTTP_TIMEOUT:
      return FailureCause::TimedOut;
    default:
      return FailureCause::Unknown;
  }
}

struct ServiceSession::Handles {
  std::wstring host;
  unsigned short port = 0;
  InternetHandle session;
  InternetHandle connection;
};

ServiceSession::ServiceSession() = default;
ServiceSession::~ServiceSession() = default;

bool ServiceSession::Open(const std::wstring& url, const std::wstring& host, unsigned short port) {
  if (handles_ && handles_->host == host && handles_->port == port) return true;
  handles_.reset();
  const ProxyPlan proxy = ResolveProxy(url, host, ReadUserProxySetting());
  auto handles = std::make_unique<Handles>();
  handles->host = host;
  handles->port = port;
  if (proxy.way == ProxyPlan::Way::Named) {
    handles->session.reset(WinHttpOpen(L"Lumora/3.0.5", WINHTTP_ACCESS_TYPE_NAMED_PROXY, proxy.proxy.c_str(),
                                       proxy.bypass.empty() ? WINHTTP_NO_PROXY_BYPASS : proxy.bypass.c_str(), 0));
  } else {
    handles->session.reset(WinHttpOpen(L"Lumora/3.0.5", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                       WINHTTP_NO_PROXY_BYPASS, 0));
  }
  if (!handles->session) return false;
  handles->connection.reset(WinHttpConnect(handles->session.get(), host.c_str(), port, 0));
  if (!handles->connection) return false;
  handles_ = std::move(handles);
  ++opened_;
  return true;
}

ServiceReply ServiceSession::Post(const std::wstring& url, const std::wstring& headers, unsigned budgetMs) {
  ServiceReply reply = Send(url, headers, budgetMs);
  if (reply.kind == ReplyKind::Failure) handles_.reset();
  return reply;
}

ServiceReply ServiceSession::Send(const std::wstring& url, const std::wstring& headers, unsigned budgetMs) {
  const Deadline deadline(budgetMs);
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof(parts);
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (url.empty() || !WinHttpCrackUrl(url.c_str(), 0, 0, &parts)) return Failed();
  const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  const bool secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
  // The query carries the authorisation code: in clear text it may only stay on this computer.
  if (!secure && !IsLoopbackHost(host)) return {ReplyKind::Failure, 0, L"", FailureCause::ClearText};
  std::wstring target(parts.lpszUrlPath, parts.dwUrlPathLength);
  target.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  if (!Open(url, host, parts.nPort)) return Failed();

  // The URL is already escaped exactly as the service expects; send it as it is.
  DWORD flags = WINHTTP_FLAG_ESCAPE_DISABLE | WINHTTP_FLAG_ESCAPE_DISABLE_QUERY;
  if (secure) flags |= WINHTTP_FLAG_SECURE;
  InternetHandle request(WinHttpOpenRequest(handles_->connection.get(), L"POST", target.c_str(), nullptr,
                                            WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, flags));
  if (!request || !LimitWaits(request.get(), deadline)) return Failed();
  // A redirect is an answer from someone else (a portal, a proxy): never follow it.
  DWORD never = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
  if (!WinHttpSetOption(request.get(), WINHTTP_OPTION_REDIRECT_POLICY, &never, sizeof(never))) return Failed();

  std::wstring head = L"Content-Type: text/xml; charset=UTF-8\r\n" + headers;
  if (!WinHttpSendRequest(request.get(), head.c_str(), static_cast<DWORD>(head.size()), WINHTTP_NO_REQUEST_DATA,
                          0, 0, 0)) {
    return deadline.Passed() ? TimedOut() : Failed();
  }
  if (!LimitWaits(request.get(), deadline) || !WinHttpReceiveResponse(request.get(), nullptr)) {
    return deadline.Passed() ? TimedOut() : Failed();
  }
  const unsigned status = StatusCode(request.get());
  std::string body;
  char chunk[8192];
  for (;;) {
    if (deadline.Passed()) return TimedOut(status);
    if (!LimitWaits(request.get(), deadline)) return Failed(status);
    DWORD read = 0;
    if (!WinHttpReadData(request.get(), chunk, sizeof(chunk), &read)) {
      return deadline.Passed() ? TimedOut(status) : Failed(status);
    }
    if (read == 0) break;
    if (body.size() + read > kMaxBody) return {ReplyKind::Failure, status, L"", FailureCause::Unknown};
    body.append(chunk, read);
  }
  return ClassifyReply(status, body, QueryText(request.get(), WINHTTP_QUERY_CONTENT_TYPE));
}
