#include "RowColours.h"

namespace {

constexpr COLORREF System(int index) { return 0x80000000u | static_cast<COLORREF>(index); }

}  // namespace

RowPaint PaintFor(RowAge age, bool highContrast) {
  switch (age) {
    case RowAge::Steady:
      return {};
    case RowAge::New:
      return highContrast ? RowPaint{true, System(COLOR_WINDOW), System(COLOR_HOTLIGHT)}
                          : RowPaint{true, RGB(0xC6, 0xEF, 0xCE), RGB(0x00, 0x3C, 0x00)};
    case RowAge::Closed:
      return highContrast ? RowPaint{true, System(COLOR_WINDOW), System(COLOR_GRAYTEXT)}
                          : RowPaint{true, RGB(0xFF, 0xC7, 0xCE), RGB(0x6E, 0x00, 0x00)};
  }
  return {};
}

bool HighContrastOn() {
  HIGHCONTRASTW contrast{};
  contrast.cbSize = sizeof(contrast);
  return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
         (contrast.dwFlags & HCF_HIGHCONTRASTON);
}
