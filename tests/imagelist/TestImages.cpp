#include "TestImages.h"

#include <cstdio>
#include <fstream>
#include <stdexcept>

namespace test {

namespace {

BITMAPINFO TopDown32(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

DWORD ToDib(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }
COLORREF FromDib(DWORD d) { return RGB((d >> 16) & 0xFF, (d >> 8) & 0xFF, d & 0xFF); }

template <class T>
void Put(std::string& out, T value) {
  out.append(reinterpret_cast<const char*>(&value), sizeof(value));
}

void Save(const std::wstring& path, const std::string& bytes) {
  FILE* file = _wfopen(path.c_str(), L"wb");
  if (!file) throw std::runtime_error("cannot write a test image");
  fwrite(bytes.data(), 1, bytes.size(), file);
  fclose(file);
}

std::string FileHeader(size_t headerBytes, size_t pixelBytes) {
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = static_cast<DWORD>(sizeof(file) + headerBytes);
  file.bfSize = static_cast<DWORD>(file.bfOffBits + pixelBytes);
  std::string out;
  Put(out, file);
  return out;
}

}  // namespace

BitmapHandle MakeBitmap(int width, int height, const PixelFn& pixel) {
  BITMAPINFO info = TopDown32(width, height);
  void* bits = nullptr;
  BitmapHandle bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  auto* out = static_cast<DWORD*>(bits);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) out[y * width + x] = ToDib(pixel(x, y));
  return bitmap;
}

BitmapHandle SolidBitmap(int width, int height, COLORREF colour) {
  return MakeBitmap(width, height, [colour](int, int) { return colour; });
}

Canvas::Canvas(int width, int height, COLORREF fill)
    : width_(width), height_(height), dc_(CreateCompatibleDC(nullptr)), bitmap_(SolidBitmap(width, height, fill)) {
  DIBSECTION section{};
  GetObjectW(bitmap_.get(), sizeof(section), &section);
  bits_ = static_cast<const DWORD*>(section.dsBm.bmBits);
  previous_ = SelectObject(dc_.get(), bitmap_.get());
}

Canvas::~Canvas() { SelectObject(dc_.get(), previous_); }

COLORREF Canvas::Pixel(int x, int y) const {
  GdiFlush();
  return FromDib(bits_[y * width_ + x]);
}

std::vector<COLORREF> Canvas::Pixels() const {
  std::vector<COLORREF> pixels;
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) pixels.push_back(Pixel(x, y));
  return pixels;
}

BitmapPixels::BitmapPixels(HBITMAP bitmap) {
  BITMAP header{};
  GetObjectW(bitmap, sizeof(header), &header);
  width_ = header.bmWidth;
  height_ = header.bmHeight;
  bits_.resize(static_cast<size_t>(width_) * height_);
  BITMAPINFO info = TopDown32(width_, height_);
  const HDC screen = GetDC(nullptr);
  GetDIBits(screen, bitmap, 0, height_, bits_.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
}

COLORREF BitmapPixels::Pixel(int x, int y) const { return FromDib(bits_[y * width_ + x]); }

void WriteBmp(const std::wstring& path, int width, int height, const PixelFn& pixel) {
  const int stride = (width * 3 + 3) & ~3;
  BITMAPINFOHEADER info{};
  info.biSize = sizeof(info);
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  std::string out = FileHeader(sizeof(info), static_cast<size_t>(stride) * height);
  Put(out, info);
  for (int y = height - 1; y >= 0; --y) {
    std::string row;
    for (int x = 0; x < width; ++x) {
      const COLORREF c = pixel(x, y);
      row += static_cast<char>(GetBValue(c));
      row += static_cast<char>(GetGValue(c));
      row += static_cast<char>(GetRValue(c));
    }
    row.resize(stride, '\0');
    out += row;
  }
  Save(path, out);
}

void WriteIndexedBmp(const std::wstring& path, int width, int height,
                     const std::vector<COLORREF>& palette,
                     const std::function<BYTE(int x, int y)>& pixel) {
  const int stride = (width + 3) & ~3;
  BITMAPINFOHEADER info{};
  info.biSize = sizeof(info);
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 8;
  info.biClrUsed = static_cast<DWORD>(palette.size());
  std::string out = FileHeader(sizeof(info) + palette.size() * 4, static_cast<size_t>(stride) * height);
  Put(out, info);
  for (COLORREF c : palette) Put(out, RGBQUAD{GetBValue(c), GetGValue(c), GetRValue(c), 0});
  for (int y = height - 1; y >= 0; --y) {
    std::string row;
    for (int x = 0; x < width; ++x) row += static_cast<char>(pixel(x, y));
    row.resize(stride, '\0');
    out += row;
  }
  Save(path, out);
}

void WriteIconFile(const std::wstring& path, bool cursor, int size, COLORREF colour,
                   int opaqueWidth) {
  const int maskStride = ((size + 31) / 32) * 4;
  BITMAPINFOHEADER info{};
  info.biSize = sizeof(info);
  info.biWidth = size;
  info.biHeight = size * 2;  // colour and mask one above the other
  info.biPlanes = 1;
  info.biBitCount = 32;
  const DWORD imageBytes = sizeof(info) + size * size * 4 + maskStride * size;

  std::string out;
  Put<WORD>(out, 0);
  Put<WORD>(out, cursor ? 2 : 1);
  Put<WORD>(out, 1);
  Put<BYTE>(out, static_cast<BYTE>(size));
  Put<BYTE>(out, static_cast<BYTE>(size));
  Put<BYTE>(out, 0);
  Put<BYTE>(out, 0);
  Put<WORD>(out, 1);                // planes, or the hot spot's x for a cursor
  Put<WORD>(out, cursor ? 1 : 32);  // bit count, or the hot spot's y
  Put<DWORD>(out, imageBytes);
  Put<DWORD>(out, 6 + 16);
  Put(out, info);
  for (int y = size - 1; y >= 0; --y)
    for (int x = 0; x < size; ++x) Put<DWORD>(out, x < opaqueWidth ? 0xFF000000 | ToDib(colour) : 0);
  for (int y = size - 1; y >= 0; --y) {
    std::string row(maskStride, '\0');
    for (int x = opaqueWidth; x < size; ++x) row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
    out += row;
  }
  Save(path, out);
}

TempFolder::TempFolder() {
  wchar_t base[MAX_PATH];
  GetTempPathW(MAX_PATH, base);
  path_ = std::wstring(base) + L"lumora-imagelist-" + std::to_wstring(GetCurrentProcessId());
  CreateDirectoryW(path_.c_str(), nullptr);
}

TempFolder::~TempFolder() {
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((path_ + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      DeleteFileW(File(found.cFileName).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(path_.c_str());
}

}  // namespace test
