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
constexpr COLORREF kBlack = RGB(0, 0, 0);

using PixelFn = std::function<COLORREF(int x, int y)>;

// A 32-bit top-down DIB section whose pixels are set by a function of position.
BitmapHandle MakeBitmap(int width, int height, const PixelFn& pixel);
BitmapHandle SolidBitmap(int width, int height, COLORREF colour);

// A memory device context holding a 32-bit DIB filled with one colour; pixels
// are read straight from the DIB bits.
class Canvas {
 public:
  Canvas(int width, int height, COLORREF fill);
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  ~Canvas();

  HDC dc() const { return dc_.get(); }
  HBITMAP bitmap() const { return bitmap_.get(); }
  COLORREF Pixel(int x, int y) const;
  std::vector<COLORREF> Pixels() const;

 private:
  int width_;
  int height_;
  DcHandle dc_;
  BitmapHandle bitmap_;
  const DWORD* bits_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

// Pixels of any bitmap, read with GetDIBits.
class BitmapPixels {
 public:
  explicit BitmapPixels(HBITMAP bitmap);
  int Width() const { return width_; }
  int Height() const { return height_; }
  COLORREF Pixel(int x, int y) const;

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<DWORD> bits_;
};

// Writes a 24-bit .bmp file.
void WriteBmp(const std::wstring& path, int width, int height, const PixelFn& pixel);
// Writes an 8-bit .bmp file whose palette holds the given colours; pixel gives an index.
void WriteIndexedBmp(const std::wstring& path, int width, int height,
                     const std::vector<COLORREF>& palette,
                     const std::function<BYTE(int x, int y)>& pixel);
// Writes a one-image .ico or .cur file (32-bit colour plus AND mask); the
// pixels in columns at or after opaqueWidth are transparent.
void WriteIconFile(const std::wstring& path, bool cursor, int size, COLORREF colour,
                   int opaqueWidth);

// A folder of its own under the temporary folder, removed with its files.
class TempFolder {
 public:
  TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder();
  std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

 private:
  std::wstring path_;
};

}  // namespace test
