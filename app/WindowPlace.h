#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "Settings.h"

// Where a window was when it closed: its restored (not maximised) rectangle in
// screen coordinates, whether it was maximised, and the dpi its size was for.
struct WindowPlace {
  RECT normal{};
  bool maximized = false;
  int dpi = 96;
};

// "left,top,right,bottom,maximised,dpi" in the settings store; nothing for
// missing or malformed text.
std::optional<WindowPlace> ReadWindowPlace(const Settings& settings);
void SaveWindowPlace(HWND window, const Settings& settings, int dpi);

// The work area of a monitor: the screen less the task bar and its kind.
RECT WorkArea(HMONITOR monitor);

// The rectangle moved, and shrunk when larger, so that it lies wholly inside
// the work area.
RECT KeepInside(const RECT& rect, const RECT& workArea);

// Shows the window where it was last closed, brought back wholly onto the
// monitor it overlaps most (or the nearest one) when the monitors changed
// since. A size saved at another dpi is scaled to this one, from the same
// top-left corner. A plain show command opens a window closed maximised
// maximised. Without a saved place the window shows where it was created.
void ShowWindowPlaced(HWND window, const Settings& settings, int showCommand, int dpi);
