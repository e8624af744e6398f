#include "TestImages.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace test {

namespace {

BITMAPINFO TopDown32(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(info.bmiHeader), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  return info;
}

DWORD ToDib(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }

template <class T>
void Put(std::string& out, T value) {
  out.append(reinterpret_cast<const char*>(&value), sizeof(value));
}

void Save(const std::wstring& path, const std::string& bytes) {
  FILE* file = _wfopen(path.c_str(), L"wb");
  ASSERT_NE(file, nullptr);
  fwrite(bytes.data(), 1, bytes.size(), file);
  fclose(file);
}

}  // namespace

BitmapHandle MakeBitmap(int width, int height, const PixelFn& pixel) {
  BITMAPINFO info = TopDown32(width, height);
  void* bits = nullptr;
  BitmapHandle bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) static_cast<DWORD*>(bits)[y * width + x] = ToDib(pixel(x, y));
  return bitmap;
}

BitmapHandle SolidBitmap(int width, int height, COLORREF colour) {
  return MakeBitmap(width, height, [colour](int, int) { return colour; });
}

Pixels::Pixels(HBITMAP bitmap) {
  GdiFlush();
  BITMAP header{};
  GetObjectW(bitmap, sizeof(header), &header);
  width = header.bmWidth;
  height = header.bmHeight;
  std::vector<DWORD> bits(static_cast<size_t>(width) * height);
  BITMAPINFO info = TopDown32(width, height);
  const DcHandle dc(CreateCompatibleDC(nullptr));
  GetDIBits(dc.get(), bitmap, 0, height, bits.data(), &info, DIB_RGB_COLORS);
  for (DWORD d : bits) colours.push_back(RGB((d >> 16) & 0xFF, (d >> 8) & 0xFF, d & 0xFF));
}

Canvas::Canvas(int width, int height, COLORREF fill)
    : dc_(CreateCompatibleDC(nullptr)),
      bitmap_(SolidBitmap(width, height, fill)),
      previous_(SelectObject(dc_.get(), bitmap_.get())) {}

void WriteBmp(const std::wstring& path, int width, int height, const PixelFn& pixel) {
  const int stride = (width * 3 + 3) & ~3;
  const BITMAPINFOHEADER info{sizeof(info), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  const DWORD offset = sizeof(BITMAPFILEHEADER) + sizeof(info);
  std::string out;
  Put(out, BITMAPFILEHEADER{0x4D42, offset + stride * height, 0, 0, offset});
  Put(out, info);
  for (int y = height - 1; y >= 0; --y) {
    std::string row(stride, '\0');
    for (int x = 0; x < width; ++x) {
      const COLORREF c = pixel(x, y);
      row[x * 3] = static_cast<char>(GetBValue(c));
      row[x * 3 + 1] = static_cast<char>(GetGValue(c));
      row[x * 3 + 2] = static_cast<char>(GetRValue(c));
    }
    out += row;
  }
  Save(path, out);
}

void WriteIconFile(const std::wstring& path, bool cursor, int size, COLORREF colour, int opaqueWidth) {
  const int maskStride = (size + 31) / 32 * 4;
  // Colour and mask lie one above the other, hence the doubled height.
  const BITMAPINFOHEADER info{sizeof(info), size, size * 2, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  std::string out;
  for (WORD word : {0, cursor ? 2 : 1, 1}) Put(out, word);
  for (BYTE byte : {size, size, 0, 0}) Put(out, byte);
  Put<WORD>(out, 1);                // planes, or the hot spot's x for a cursor
  Put<WORD>(out, cursor ? 1 : 32);  // bit count, or the hot spot's y
  Put<DWORD>(out, sizeof(info) + size * size * 4 + maskStride * size);
  Put<DWORD>(out, 6 + 16);
  Put(out, info);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) Put<DWORD>(out, x < opaqueWidth ? 0xFF000000 | ToDib(colour) : 0);
  for (int y = 0; y < size; ++y) {
    std::string row(maskStride, '\0');
    for (int x = opaqueWidth; x < size; ++x) row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
    out += row;
  }
  Save(path, out);
}

}  // namespace test
