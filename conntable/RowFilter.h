#pragma once

#include <span>
#include <string>

// What the user typed into the filter box. A row passes when one of its
// texts contains the typed text, letters compared without their case; with
// nothing typed (spaces around the text do not count) every row passes.
class RowFilter {
 public:
  explicit RowFilter(const std::wstring& text = L"");

  bool Empty() const { return folded_.empty(); }
  bool Matches(std::span<const std::wstring> texts) const;

 private:
  bool Contains(const std::wstring& text) const;

  std::wstring folded_;
};
