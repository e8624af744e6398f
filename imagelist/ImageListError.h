#pragma once

#include <exception>
#include <string>

// Raised for a key that names no image and for a position outside
// 1 … ImageCount. Number and source follow the component error convention so
// that callers can tell this class's errors from others by both fields.
class cImageListError : public std::exception {
 public:
  static constexpr long kSubscriptOutOfRange = 9;

  cImageListError();

  long Number() const { return kSubscriptOutOfRange; }
  // "<executable name>.zeltImageList", the name without folder and extension.
  const std::wstring& Source() const { return source_; }
  const char* what() const noexcept override { return "Subscript out of range"; }

 private:
  std::wstring source_;
};
