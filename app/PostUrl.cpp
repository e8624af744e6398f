#include "PostUrl.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>

#include "ServiceSession.h"

namespace {

// A reason longer than this is no short message meant for the user.
constexpr size_t kMaxReasonBytes = 1024;

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

bool IsPlainText(const std::wstring& contentType) {
  std::wstring type = Lower(contentType);
  type = type.substr(0, type.find(L';'));
  std::erase_if(type, [](wchar_t c) { return std::iswspace(c); });
  return type == L"text/plain";
}

// The service always names text/plain; a reply without a type passes unless
// it is markup, which is what portals and proxies put in front of a user.
bool IsServiceText(const std::string& body, const std::wstring& contentType) {
  if (!contentType.empty()) return IsPlainText(contentType);
  size_t first = body.starts_with("\xEF\xBB\xBF") ? 3 : 0;
  first = body.find_first_not_of(" \t\r\n", first);
  return first == std::string::npos || body[first] != '<';
}

}  // namespace

ServiceReply ClassifyReply(unsigned status, const std::string& body, const std::wstring& contentType) {
  if (status >= 200 && status <= 299) {
    if (!IsServiceText(body, contentType)) return {ReplyKind::Failure, status, L"", FailureCause::NotPlainText};
    return {ReplyKind::Success, status, DecodeReply(body, contentType), FailureCause::Unknown};
  }
  if (status >= 300 && status <= 399) return {ReplyKind::Failure, status, L"", FailureCause::Redirect};
  const bool refusal = status >= 400 && status <= 499 && status != 408 && status != 429 && !body.empty() &&
                       body.size() <= kMaxReasonBytes && IsPlainText(contentType);
  if (!refusal) return {ReplyKind::Failure, status, L"", FailureCause::Status};
  return {ReplyKind::Refusal, status, DecodeReply(body, contentType), FailureCause::Unknown};
}

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
    return ServiceSession().Post(url, L"", budgetMs);
  } catch (...) {
    return {};
  }
}
