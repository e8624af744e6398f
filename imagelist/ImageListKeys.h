#pragma once

#include <string>

// Names one image of a cImageList: either a 1-based position or a key string.
// A number, or text that reads as a decimal number (" 3", "+2", "2.0", "3e0"),
// is a position; any other text is a key. Fractions round to the nearest whole
// number, halves to even. Keys compare exactly, case included.
class ImageKey {
 public:
  ImageKey(int position) : position_(position), isPosition_(true) {}
  ImageKey(double position);
  ImageKey(std::wstring text);
  ImageKey(const wchar_t* text) : ImageKey(std::wstring(text ? text : L"")) {}

  bool IsPosition() const { return isPosition_; }
  // 1-based; a number outside the 32-bit range reads as 0, which no image has.
  int Position() const { return position_; }
  // The key text; empty for a position.
  const std::wstring& Name() const { return name_; }

 private:
  int position_ = 0;
  bool isPosition_ = false;
  std::wstring name_;
};

// True for an empty key or one made only of spaces: such a key names no image.
bool IsBlankKey(const std::wstring& key);
