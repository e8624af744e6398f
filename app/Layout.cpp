#include "Layout.h"

namespace {

struct FontDeleter {
  void operator()(HFONT font) const { DeleteObject(font); }
};

}  // namespace

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

int TwipsToPixels(int twips, int dpi) {
  return MulDiv(twips, dpi, 1440);
}

HWND CreateControl(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, DWORD exStyle,
                   TwipsRect at, int id, int dpi) {
  HWND control = CreateWindowExW(exStyle, className, text, style | WS_CHILD | WS_VISIBLE,
                                 TwipsToPixels(at.left, dpi), TwipsToPixels(at.top, dpi),
                                 TwipsToPixels(at.width, dpi), TwipsToPixels(at.height, dpi), parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(UiFont()), FALSE);
  return control;
}

HFONT UiFont() {
  static const std::unique_ptr<HFONT__, FontDeleter> font([] {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    return CreateFontIndirectW(&metrics.lfMessageFont);
  }());
  return font.get();
}

SIZE WindowSizeForClient(int widthTwips, int heightTwips, DWORD style, DWORD exStyle, bool menu, int dpi) {
  RECT rect{0, 0, TwipsToPixels(widthTwips, dpi), TwipsToPixels(heightTwips, dpi)};
  AdjustWindowRectEx(&rect, style, menu, exStyle);
  return {rect.right - rect.left, rect.bottom - rect.top};
}
