#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ImageHandles.h"

namespace test {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kLime = RGB(0, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kMagenta = RGB(255, 0, 255);
constexpr COLORREF kWhite = RGB(255, 255, 255);

using PixelFn = std::function<COLORREF(int x, int y)>;

// A 32-bit top-down DIB section whose pixels are set by a function of position.
BitmapHandle MakeBitmap(int width, int height, const PixelFn& pixel);
BitmapHandle SolidBitmap(int width, int height, COLORREF colour);

// Any bitmap's pixels, read with GetDIBits.
struct Pixels {
  explicit Pixels(HBITMAP bitmap);
  COLORREF at(int x, int y) const { return colours.at(y * width + x); }
  int width = 0;
  int height = 0;
  std::vector<COLORREF> colours;
};

// A memory device context holding a 32-bit DIB filled with one colour.
class Canvas {
 public:
  Canvas(int width, int height, COLORREF fill);
  ~Canvas() { SelectObject(dc_.get(), previous_); }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC dc() const { return dc_.get(); }
  HBITMAP bitmap() const { return bitmap_.get(); }
  std::vector<COLORREF> All() const { return Pixels(bitmap_.get()).colours; }
  COLORREF Pixel(int x, int y) const { return Pixels(bitmap_.get()).at(x, y); }

 private:
  DcHandle dc_;
  BitmapHandle bitmap_;
  HGDIOBJ previous_;
};

// A 24-bit .bmp file.
void WriteBmp(const std::wstring& path, int width, int height, const PixelFn& pixel);
// A one-image .ico or .cur file, 32-bit colour plus AND mask; the columns from
// opaqueWidth on are transparent.
void WriteIconFile(const std::wstring& path, bool cursor, int size, COLORREF colour, int opaqueWidth);

}  // namespace test
