#include "RowFilter.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <memory>

namespace {

// The lower case of every UTF-16 unit as the system maps it, made once: a
// filter walks every text of every row on each refresh, too often to ask
// the system for each text.
const wchar_t* FoldTable() {
  static const std::unique_ptr<std::array<wchar_t, 0x10000>> table = [] {
    auto units = std::make_unique<std::array<wchar_t, 0x10000>>();
    for (size_t i = 0; i < units->size(); ++i) (*units)[i] = static_cast<wchar_t>(i);
    CharLowerBuffW(units->data(), static_cast<DWORD>(units->size()));
    return units;
  }();
  return table->data();
}

wchar_t Fold(wchar_t c) { return FoldTable()[static_cast<unsigned short>(c)]; }

std::wstring Trimmed(const std::wstring& text) {
  const size_t first = text.find_first_not_of(L" \t");
  if (first == std::wstring::npos) return L"";
  return text.substr(first, text.find_last_not_of(L" \t") - first + 1);
}

}  // namespace

RowFilter::RowFilter(const std::wstring& text) : folded_(Trimmed(text)) {
  for (wchar_t& c : folded_) c = Fold(c);
}

bool RowFilter::Matches(std::span<const std::wstring> texts) const {
  if (Empty()) return true;
  return std::any_of(texts.begin(), texts.end(), [this](const std::wstring& text) { return Contains(text); });
}

bool RowFilter::Contains(const std::wstring& text) const {
  if (text.size() < folded_.size()) return false;
  return std::search(text.begin(), text.end(), folded_.begin(), folded_.end(),
                     [](wchar_t a, wchar_t b) { return Fold(a) == b; }) != text.end();
}
