#include "ImageListKeys.h"

#include <climits>
#include <cmath>
#include <cwchar>
#include <cwctype>
#include <optional>

namespace {

int RoundedPosition(double value) {
  if (!std::isfinite(value) || value < INT_MIN - 0.5 || value >= INT_MAX + 0.5) return 0;
  // The default rounding mode sends halves to even.
  return static_cast<int>(std::nearbyint(value));
}

bool SkipDigits(const std::wstring& text, size_t& at) {
  const size_t start = at;
  while (at < text.size() && std::iswdigit(text[at])) ++at;
  return at > start;
}

// Plain decimal notation only: wcstod alone would also take "inf", "nan" and
// hexadecimal forms, which are keys here.
std::optional<double> DecimalNumber(const std::wstring& text) {
  const size_t first = text.find_first_not_of(L" \t");
  if (first == std::wstring::npos) return std::nullopt;
  const size_t last = text.find_last_not_of(L" \t");
  const std::wstring body = text.substr(first, last - first + 1);

  size_t at = 0;
  if (body[at] == L'+' || body[at] == L'-') ++at;
  bool digits = SkipDigits(body, at);
  if (at < body.size() && body[at] == L'.') {
    ++at;
    digits = SkipDigits(body, at) || digits;
  }
  if (!digits) return std::nullopt;
  if (at < body.size() && (body[at] == L'e' || body[at] == L'E')) {
    ++at;
    if (at < body.size() && (body[at] == L'+' || body[at] == L'-')) ++at;
    if (!SkipDigits(body, at)) return std::nullopt;
  }
  if (at != body.size()) return std::nullopt;
  return std::wcstod(body.c_str(), nullptr);
}

}  // namespace

ImageKey::ImageKey(double position) : position_(RoundedPosition(position)), isPosition_(true) {}

ImageKey::ImageKey(std::wstring text) {
  if (const std::optional<double> number = DecimalNumber(text)) {
    position_ = RoundedPosition(*number);
    isPosition_ = true;
  } else {
    name_ = std::move(text);
  }
}

bool IsBlankKey(const std::wstring& key) {
  return key.find_first_not_of(L' ') == std::wstring::npos;
}
