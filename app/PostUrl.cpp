#include "PostUrl.h"

#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <cwctype>
#include <memory>

namespace {

constexpr size_t kMaxBody = 1 << 20;
// A reason longer than this is no short message meant for the user.
constexpr size_t kMaxReasonBytes = 1024;

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

std::wstring Lower(std::wstring text) {
  std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return std::towlower(c); });
  return text;
}

std::wstring CharsetOf(const std::wstring& contentType) {
  const std::wstring lower = Lower(contentType);
  const size_t at = lower.find(L"charset=");
  if (at == std::wstring::npos) return L"";
  std::wstring value = lower.substr(at + 8);
  value = value.substr(0, value.find(L';'));
  std::erase_if(value, [](wchar_t c) { return c == L'"' || c == L'\'' || std::iswspace(c); });
  return value;
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

// Reads the whole body; false when it fails, runs out of time or grows too big.
bool ReadBody(HINTERNET request, const Deadline& deadline, std::string& body) {
  char chunk[8192];
  for (;;) {
    if (deadline.Passed() || !LimitWaits(request, deadline)) return false;
    DWORD read = 0;
    if (!WinHttpReadData(request, chunk, sizeof(chunk), &read)) return false;
    if (read == 0) return true;
    if (body.size() + read > kMaxBody) return false;
    body.append(chunk, read);
  }
}

bool IsPlainText(const std::wstring& contentType) {
  const std::wstring lower = Lower(contentType);
  return lower.substr(0, lower.find(L';')) == L"text/plain";
}

ServiceReply Classify(unsigned status, const std::string& body, const std::wstring& contentType) {
  if (status >= 200 && status <= 299) return {ReplyKind::Success, status, DecodeReply(body, contentType)};
  const bool refusal = status >= 400 && status <= 499 && status != 408 && status != 429 && !body.empty() &&
                       body.size() <= kMaxReasonBytes && IsPlainText(contentType);
  if (!refusal) return {ReplyKind::Failure, status, L""};
  return {ReplyKind::Refusal, status, DecodeReply(body, contentType)};
}

ServiceReply Post(const std::wstring& url, unsigned budgetMs) {
  const Deadline deadline(budgetMs);
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof(parts);
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!WinHttpCrackUrl(url.c_str(), 0, 0, &parts)) return {};
  const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  std::wstring target(parts.lpszUrlPath, parts.dwUrlPathLength);
  target.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);

  InternetHandle session(WinHttpOpen(L"Lumora/3.0.5", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                     WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) return {};
  InternetHandle connection(WinHttpConnect(session.get(), host.c_str(), parts.nPort, 0));
  if (!connection) return {};
  // The URL is already escaped exactly as the service expects; send it as it is.
  DWORD flags = WINHTTP_FLAG_ESCAPE_DISABLE | WINHTTP_FLAG_ESCAPE_DISABLE_QUERY;
  if (parts.nScheme == INTERNET_SCHEME_HTTPS) flags |= WINHTTP_FLAG_SECURE;
  InternetHandle request(WinHttpOpenRequest(connection.get(), L"POST", target.c_str(), nullptr,
                                            WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, flags));
  if (!request || !LimitWaits(request.get(), deadline)) return {};

  static constexpr wchar_t kHeader[] = L"Content-Type: text/xml; charset=UTF-8";
  if (!WinHttpSendRequest(request.get(), kHeader, static_cast<DWORD>(-1), WINHTTP_NO_REQUEST_DATA, 0, 0, 0)) {
    return {};
  }
  if (!LimitWaits(request.get(), deadline) || !WinHttpReceiveResponse(request.get(), nullptr)) return {};
  const unsigned status = StatusCode(request.get());
  std::string body;
  if (!ReadBody(request.get(), deadline, body)) return {ReplyKind::Failure, status, L""};
  return Classify(status, body, QueryText(request.get(), WINHTTP_QUERY_CONTENT_TYPE));
}

}  // namespace

std::wstring DecodeReply(const std::string& body, const std::wstring& contentType) {
  if (body.empty()) return L"";
  const std::wstring charset = CharsetOf(contentType);
  const UINT codePage = (charset == L"gbk" || charset == L"gb2312" || charset == L"gb18030") ? 936 : CP_UTF8;
  const int size = static_cast<int>(body.size());
  const int length = MultiByteToWideChar(codePage, 0, body.data(), size, nullptr, 0);
  std::wstring text(length, L'\0');
  MultiByteToWideChar(codePage, 0, body.data(), size, text.data(), length);
  if (!text.empty() && text.front() == L'\xFEFF') text.erase(0, 1);
  return text;
}

ServiceReply PostUrl(const std::wstring& url, unsigned budgetMs) {
  try {
    return Post(url, budgetMs);
  } catch (...) {
    return {};
  }
}
