#pragma once

#include <windows.h>

#include "ShownItems.h"

// The colours a row is drawn with, as OLE colours (system colours carry the
// high bit); none for a row drawn as the list draws any row.
struct RowPaint {
  bool custom = false;
  COLORREF back = 0;
  COLORREF fore = 0;
};

// New rows green, closed rows red. Under a high-contrast scheme only the
// scheme's own colours are used: new rows in its link colour, closed rows in
// its grey text, both on its window colour.
RowPaint PaintFor(RowAge age, bool highContrast);

// Whether the user has switched a high-contrast scheme on.
bool HighContrastOn();
