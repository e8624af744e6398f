#include "ServiceAddress.h"

#include <algorithm>
#include <cwctype>

namespace {

std::wstring Lower(std::wstring_view text) {
  std::wstring lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](wchar_t c) { return std::towlower(c); });
  return lower;
}

bool IsAsciiDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
bool IsAsciiAlnum(wchar_t c) { return IsAsciiDigit(c) || (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }

// Four dotted decimal parts, each 0 to 255; the first part out.
bool ParseIpv4(std::wstring_view text, unsigned& first) {
  unsigned parts = 0;
  size_t at = 0;
  while (parts < 4) {
    size_t end = at;
    unsigned value = 0;
    while (end < text.size() && IsAsciiDigit(text[end]) && end - at < 3) value = value * 10 + (text[end++] - L'0');
    if (end == at || value > 255) return false;
    if (parts == 0) first = value;
    ++parts;
    if (end == text.size()) return parts == 4;
    if (text[end] != L'.') return false;
    at = end + 1;
  }
  return false;
}

bool IsHostName(std::wstring_view host) {
  if (host.empty() || host.size() > 253) return false;
  return std::all_of(host.begin(), host.end(), [](wchar_t c) { return IsAsciiAlnum(c) || c == L'-' || c == L'.'; });
}

bool IsIpv6Literal(std::wstring_view host) {
  if (host.size() < 4 || host.front() != L'[' || host.back() != L']') return false;
  const std::wstring_view inside = host.substr(1, host.size() - 2);
  return std::all_of(inside.begin(), inside.end(),
                     [](wchar_t c) { return std::iswxdigit(c) || c == L':' || c == L'.'; });
}

bool IsPort(std::wstring_view port) {
  if (port.empty() || port.size() > 5 || !std::all_of(port.begin(), port.end(), IsAsciiDigit)) return false;
  const unsigned value = std::stoul(std::wstring(port));
  return value >= 1 && value <= 65535;
}

}  // namespace

bool IsLoopbackHost(std::wstring_view host) {
  const std::wstring lower = Lower(host);
  if (lower == L"localhost" || lower == L"::1" || lower == L"[::1]") return true;
  unsigned first = 0;
  return ParseIpv4(lower, first) && first == 127;
}

ServiceAddress ParseServiceAddress(std::wstring_view written) {
  const size_t begin = written.find_first_not_of(L" \t");
  if (begin == std::wstring_view::npos) return {AddressFault::Empty, L""};
  const std::wstring text = Lower(written.substr(begin, written.find_last_not_of(L" \t") - begin + 1));

  std::wstring_view rest = text;
  bool secure = false;
  if (rest.starts_with(L"https://")) {
    secure = true;
    rest.remove_prefix(8);
  } else if (rest.starts_with(L"http://")) {
    rest.remove_prefix(7);
  } else {
    return {AddressFault::Scheme, L""};
  }
  const size_t authorityEnd = rest.find_first_of(L"/?#\\");
  const std::wstring_view authority = rest.substr(0, authorityEnd);
  // A single closing slash is how addresses are often copied; anything more is a path.
  if (authorityEnd != std::wstring_view::npos && rest.substr(authorityEnd) != L"/") return {AddressFault::Path, L""};
  if (authority.find(L'@') != std::wstring_view::npos) return {AddressFault::UserName, L""};

  const size_t hostEnd = authority.starts_with(L'[') ? authority.find(L']') + 1 : authority.find(L':');
  const std::wstring_view host = authority.substr(0, hostEnd);
  if (hostEnd == 0 || !(IsIpv6Literal(host) || IsHostName(host))) return {AddressFault::Host, L""};
  if (hostEnd < authority.size()) {
    if (authority[hostEnd] != L':' || !IsPort(authority.substr(hostEnd + 1))) return {AddressFault::Port, L""};
  }
  if (!secure && !IsLoopbackHost(host)) return {AddressFault::ClearText, L""};
  return {AddressFault::None, std::wstring(secure ? L"https://" : L"http://") + std::wstring(authority)};
}

std::wstring AddressFaultText(AddressFault fault) {
  switch (fault) {
    case AddressFault::None: return L"";
    case AddressFault::Empty: return L"请填写服务地址，例如 https://reminder.example.com";
    case AddressFault::Scheme: return L"服务地址必须以 https:// 开头（本机的服务也可用 http://）。";
    case AddressFault::UserName: return L"服务地址里不能有用户名或密码。";
    case AddressFault::Path: return L"服务地址只写到主机和端口为止，不能有路径或参数。";
    case AddressFault::Port: return L"服务地址的端口必须是 1 到 65535 的数字。";
    case AddressFault::Host: return L"服务地址的主机名无效。";
    case AddressFault::ClearText:
      return L"服务地址必须以 https:// 开头：http:// 会把邮箱授权码明文送出，只能用于本机的服务。";
  }
  return L"";
}
