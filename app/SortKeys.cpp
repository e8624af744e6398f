#include "SortKeys.h"

#include <windows.h>

#include <vector>

namespace {

std::optional<unsigned long> ParseDecimal(std::wstring_view text, unsigned long limit) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  unsigned long long value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return std::nullopt;
    value = value * 10 + (c - L'0');
  }
  if (value > limit) return std::nullopt;
  return static_cast<unsigned long>(value);
}

std::vector<std::wstring_view> Split(std::wstring_view text, wchar_t separator) {
  std::vector<std::wstring_view> parts;
  for (size_t from = 0;;) {
    const size_t at = text.find(separator, from);
    parts.push_back(text.substr(from, at == std::wstring_view::npos ? std::wstring_view::npos : at - from));
    if (at == std::wstring_view::npos) return parts;
    from = at + 1;
  }
}

bool ParseIpv4(std::wstring_view text, std::uint8_t* out) {
  const auto parts = Split(text, L'.');
  if (parts.size() != 4) return false;
  for (size_t i = 0; i < 4; ++i) {
    if (parts[i].size() > 3) return false;
    const auto value = ParseDecimal(parts[i], 255);
    if (!value) return false;
    out[i] = static_cast<std::uint8_t>(*value);
  }
  return true;
}

std::optional<unsigned> ParseHexGroup(std::wstring_view text) {
  if (text.empty() || text.size() > 4) return std::nullopt;
  unsigned value = 0;
  for (wchar_t c : text) {
    unsigned digit;
    if (c >= L'0' && c <= L'9') digit = c - L'0';
    else if (c >= L'a' && c <= L'f') digit = c - L'a' + 10;
    else if (c >= L'A' && c <= L'F') digit = c - L'A' + 10;
    else return std::nullopt;
    value = value * 16 + digit;
  }
  return value;
}

// Groups of one side of "::", each two bytes; a dotted tail counts as two groups.
bool ParseGroups(std::wstring_view text, bool lastSide, std::vector<std::uint8_t>& bytes) {
  if (text.empty()) return true;
  const auto groups = Split(text, L':');
  for (size_t i = 0; i < groups.size(); ++i) {
    if (lastSide && i + 1 == groups.size() && groups[i].find(L'.') != std::wstring_view::npos) {
      std::uint8_t v4[4];
      if (!ParseIpv4(groups[i], v4)) return false;
      bytes.insert(bytes.end(), v4, v4 + 4);
      continue;
    }
    const auto group = ParseHexGroup(groups[i]);
    if (!group) return false;
    bytes.push_back(static_cast<std::uint8_t>(*group >> 8));
    bytes.push_back(static_cast<std::uint8_t>(*group & 0xFF));
  }
  return true;
}

bool ParseIpv6(std::wstring_view text, AddressKey& key) {
  const size_t gap = text.find(L"::");
  std::vector<std::uint8_t> head, tail;
  if (gap == std::wstring_view::npos) {
    if (!ParseGroups(text, true, head) || head.size() != 16) return false;
  } else {
    if (text.find(L"::", gap + 1) != std::wstring_view::npos) return false;
    if (!ParseGroups(text.substr(0, gap), false, head) || !ParseGroups(text.substr(gap + 2), true, tail)) return false;
    if (head.size() + tail.size() > 14) return false;
  }
  std::copy(head.begin(), head.end(), key.bytes.begin());
  std::copy(tail.begin(), tail.end(), key.bytes.end() - tail.size());
  return true;
}

template <typename Key>
int Order(const Key& a, const Key& b) {
  return a < b ? -1 : b < a ? 1 : 0;
}

int CompareText(const std::wstring& a, const std::wstring& b) {
  const int result = CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), static_cast<int>(a.size()),
                                    b.c_str(), static_cast<int>(b.size()));
  return result == 0 ? Order(a, b) : result - CSTR_EQUAL;
}

template <typename Parse>
int CompareParsed(const std::wstring& a, const std::wstring& b, Parse parse) {
  const auto keyA = parse(a);
  const auto keyB = parse(b);
  if (keyA && keyB) return Order(*keyA, *keyB);
  if (keyA || keyB) return keyA ? -1 : 1;
  return CompareText(a, b);
}

}  // namespace

std::optional<AddressKey> ParseAddress(const std::wstring& text) {
  AddressKey key;
  if (text == L"localhost") {
    key.bytes = {127, 0, 0, 1};
    return key;
  }
  if (ParseIpv4(text, key.bytes.data())) return key;
  std::wstring_view address = text;
  const size_t percent = address.find(L'%');
  if (percent != std::wstring_view::npos) {
    const auto scope = ParseDecimal(address.substr(percent + 1), 0xFFFFFFFFul);
    if (!scope) return std::nullopt;
    key.scope = *scope;
    address = address.substr(0, percent);
  }
  key.family = 6;
  if (!ParseIpv6(address, key)) return std::nullopt;
  return key;
}

std::optional<unsigned long long> ParseNumber(const std::wstring& text) {
  if (text.empty() || text.size() > 19) return std::nullopt;
  unsigned long long value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return std::nullopt;
    value = value * 10 + (c - L'0');
  }
  return value;
}

int CompareSortTexts(SortKind kind, const std::wstring& a, const std::wstring& b) {
  switch (kind) {
    case SortKind::Number: return CompareParsed(a, b, ParseNumber);
    case SortKind::Address: return CompareParsed(a, b, ParseAddress);
    case SortKind::Text: break;
  }
  return CompareText(a, b);
}
