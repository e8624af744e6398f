#pragma once

#include <windows.h>

#include <memory>

// The windows are laid out in twips, 1440 to the inch, at the screen's real dpi.
int ScreenDpi();
int TwipsToPixels(int twips, int dpi);

struct TwipsRect {
  int left, top, width, height;
};

// One child control at a position given in twips, in the UI font.
HWND CreateControl(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, DWORD exStyle,
                   TwipsRect at, int id, int dpi);

// The system's message font, shared by every window of the program.
HFONT UiFont();

// Outer window size for a client area given in twips.
SIZE WindowSizeForClient(int widthTwips, int heightTwips, DWORD style, DWORD exStyle, bool menu, int dpi);
