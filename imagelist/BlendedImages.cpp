#include "BlendedImages.h"

#include <algorithm>
#include <cstring>

namespace {

struct Dib {
  BitmapHandle bitmap;
  std::uint32_t* pixels = nullptr;
};

Dib TopDownDib(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  Dib dib;
  dib.bitmap.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  dib.pixels = static_cast<std::uint32_t*>(bits);
  return dib;
}

// The image drawn over a filled background, as the list itself draws it.
void DrawOver(HIMAGELIST list, int index, HDC dc, int top, int width, int height, COLORREF background) {
  const BrushHandle brush(CreateSolidBrush(background));
  const RECT cell{0, top, width, top + height};
  FillRect(dc, &cell, brush.get());
  ImageList_Draw(list, index, dc, 0, top, ILD_TRANSPARENT);
}

}  // namespace

void BlendedImages::Clear() {
  dc_.reset();
  strip_.reset();
  pixels_ = nullptr;
  width_ = height_ = 0;
  copied_.clear();
}

bool BlendedImages::Draw(HIMAGELIST list, int index, HDC dc, const RECT& place) {
  if (!list || index < 0 || index >= ImageList_GetImageCount(list)) return false;
  if ((static_cast<size_t>(index) >= copied_.size() || !copied_[index]) && !Copy(list, index)) return false;
  const int width = std::min<int>(width_, place.right - place.left);
  const int height = std::min<int>(height_, place.bottom - place.top);
  if (width <= 0 || height <= 0) return true;
  const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  return GdiAlphaBlend(dc, place.left, place.top, width, height, dc_.get(), 0, index * height_, width, height,
                       blend) != FALSE;
}

// Drawn once over black and once over white: where the two differ by d the
// image lets 255 - d of the background through, and over black it shows its
// colour already multiplied by its opacity. That holds for masked and for
// alpha images alike.
bool BlendedImages::Copy(HIMAGELIST list, int index) {
  int width = 0, height = 0;
  if (!ImageList_GetIconSize(list, &width, &height) || width <= 0 || height <= 0) return false;
  if (width != width_ || height != height_) {
    Clear();
    width_ = width;
    height_ = height;
  }
  if (!Reserve(index + 1)) return false;
  Dib white = TopDownDib(width, height);
  const DcHandle whiteDc(CreateCompatibleDC(nullptr));
  if (!white.bitmap || !whiteDc) return false;
  const SelectedObject selected(whiteDc.get(), white.bitmap.get());
  DrawOver(list, index, dc_.get(), index * height, width, height, RGB(0, 0, 0));
  DrawOver(list, index, whiteDc.get(), 0, width, height, RGB(255, 255, 255));
  GdiFlush();
  std::uint32_t* black = pixels_ + static_cast<size_t>(index) * width * height;
  for (int i = 0; i < width * height; ++i) {
    std::uint32_t over = 0;
    for (int shift = 0; shift < 24; shift += 8) {
      const int b = (black[i] >> shift) & 0xFF, w = (white.pixels[i] >> shift) & 0xFF;
      over = std::max<std::uint32_t>(over, static_cast<std::uint32_t>(std::max(0, w - b)));
    }
    const std::uint32_t alpha = 255 - over;
    std::uint32_t pixel = alpha << 24;
    for (int shift = 0; shift < 24; shift += 8) pixel |= std::min((black[i] >> shift) & 0xFF, alpha) << shift;
    black[i] = pixel;
  }
  copied_[index] = true;
  return true;
}

bool BlendedImages::Reserve(int images) {
  if (static_cast<size_t>(images) <= copied_.size()) return true;
  const int capacity = std::max<int>(images, static_cast<int>(copied_.size()) * 2);
  Dib grown = TopDownDib(width_, capacity * height_);
  DcHandle dc(dc_ ? nullptr : CreateCompatibleDC(nullptr));
  if (!grown.bitmap || (!dc_ && !dc)) return false;
  GdiFlush();
  if (pixels_) std::memcpy(grown.pixels, pixels_, copied_.size() * width_ * height_ * sizeof(std::uint32_t));
  if (dc) dc_ = std::move(dc);
  SelectObject(dc_.get(), grown.bitmap.get());
  strip_ = std::move(grown.bitmap);
  pixels_ = grown.pixels;
  copied_.resize(capacity, false);
  return true;
}
