#include "UrlEscape.h"

#include <cwchar>

namespace {

bool IsUnreserved(wchar_t c) {
  if ((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z')) {
    return true;
  }
  return std::wstring_view(L"-_.!~*'()").find(c) != std::wstring_view::npos;
}

}  // namespace

std::wstring UrlEscape(std::wstring_view text) {
  std::wstring out;
  out.reserve(text.size() * 3);
  wchar_t group[8];
  for (wchar_t c : text) {
    if (IsUnreserved(c)) {
      out += c;
      continue;
    }
    const unsigned value = static_cast<unsigned short>(c);
    // 255 already takes the long form: the two-digit form stops at 254.
    if (value <= 254) {
      std::swprintf(group, 8, L"%%%02X", value);
    } else {
      std::swprintf(group, 8, L"%%u%04X", value);
    }
    out += group;
  }
  return out;
}
