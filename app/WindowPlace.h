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
// missing or malformed text, and for numbers out of any screen's range.
std::optional<WindowPlace> ReadWindowPlace(const Settings& settings);
void SaveWindowPlace(HWND window, const Settings& settings, int dpi);

// The work area of a monitor: the screen less the task bar and its kind.
RECT WorkArea(HMONITOR monitor);

// The rectangle moved, and shrunk when larger, so that it lies wholly inside
// the work area.
RECT KeepInside(const RECT& rect, const RECT& workArea);

// Shows the window where it was last closed. A place whose title bar a user
// can still take hold of on some monitor's work area is kept exactly, across
// monitors too; only one out of reach is brought back wholly onto the monitor
// it overlaps most (or the nearest one). A size saved at another dpi is
// scaled to this one, from the same top-left corner. A window closed
// maximised opens maximised, and when asked to open minimised it restores to
// maximised. Without a saved place the window shows where it was created.
void ShowWindowPlaced(HWND window, const Settings& settings, int showCommand, int dpi);
