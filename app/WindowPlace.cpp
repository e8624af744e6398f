#include "WindowPlace.h"

#include <algorithm>
#include <cwchar>

namespace {

constexpr wchar_t kPlaceName[] = L"MainWindow";

// The placement calls speak workspace coordinates, which start at the
// primary monitor's work area rather than at the screen's origin.
POINT WorkspaceOrigin() {
  const HMONITOR primary = MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY);
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  GetMonitorInfoW(primary, &info);
  return {info.rcWork.left - info.rcMonitor.left, info.rcWork.top - info.rcMonitor.top};
}

RECT Shifted(RECT rect, int dx, int dy) {
  OffsetRect(&rect, dx, dy);
  return rect;
}

bool PlainShow(int showCommand) {
  return showCommand == SW_SHOWNORMAL || showCommand == SW_SHOW || showCommand == SW_SHOWDEFAULT;
}

}  // namespace

std::optional<WindowPlace> ReadWindowPlace(const Settings& settings) {
  const std::wstring text = settings.Read(kPlaceName);
  WindowPlace place;
  int maximized = 0;
  wchar_t rest = 0;
  if (swscanf(text.c_str(), L"%ld,%ld,%ld,%ld,%d,%d%lc", &place.normal.left, &place.normal.top,
              &place.normal.right, &place.normal.bottom, &maximized, &place.dpi, &rest) != 6) {
    return std::nullopt;
  }
  if (place.normal.right <= place.normal.left || place.normal.bottom <= place.normal.top || place.dpi <= 0) {
    return std::nullopt;
  }
  place.maximized = maximized != 0;
  return place;
}

void SaveWindowPlace(HWND window, const Settings& settings, int dpi) {
  WINDOWPLACEMENT placement{};
  placement.length = sizeof(placement);
  if (!GetWindowPlacement(window, &placement)) return;
  const POINT origin = WorkspaceOrigin();
  const RECT normal = Shifted(placement.rcNormalPosition, origin.x, origin.y);
  const bool maximized = placement.showCmd == SW_SHOWMAXIMIZED ||
                         (placement.showCmd == SW_SHOWMINIMIZED && (placement.flags & WPF_RESTORETOMAXIMIZED));
  settings.Write(kPlaceName, std::to_wstring(normal.left) + L"," + std::to_wstring(normal.top) + L"," +
                                 std::to_wstring(normal.right) + L"," + std::to_wstring(normal.bottom) + L"," +
                                 (maximized ? L"1," : L"0,") + std::to_wstring(dpi));
}

RECT WorkArea(HMONITOR monitor) {
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  GetMonitorInfoW(monitor, &info);
  return info.rcWork;
}

RECT KeepInside(const RECT& rect, const RECT& workArea) {
  const LONG width = std::min(rect.right - rect.left, workArea.right - workArea.left);
  const LONG height = std::min(rect.bottom - rect.top, workArea.bottom - workArea.top);
  const LONG left = std::clamp(rect.left, workArea.left, workArea.right - width);
  const LONG top = std::clamp(rect.top, workArea.top, workArea.bottom - height);
  return {left, top, left + width, top + height};
}

void ShowWindowPlaced(HWND window, const Settings& settings, int showCommand, int dpi) {
  auto place = ReadWindowPlace(settings);
  if (!place) {
    ShowWindow(window, showCommand);
    return;
  }
  RECT& normal = place->normal;
  normal.right = normal.left + MulDiv(normal.right - normal.left, dpi, place->dpi);
  normal.bottom = normal.top + MulDiv(normal.bottom - normal.top, dpi, place->dpi);
  const RECT workArea = WorkArea(MonitorFromRect(&normal, MONITOR_DEFAULTTONEAREST));
  const POINT origin = WorkspaceOrigin();
  WINDOWPLACEMENT placement{};
  placement.length = sizeof(placement);
  GetWindowPlacement(window, &placement);
  placement.flags = 0;
  placement.showCmd = place->maximized && PlainShow(showCommand) ? SW_SHOWMAXIMIZED : showCommand;
  placement.rcNormalPosition = Shifted(KeepInside(normal, workArea), -origin.x, -origin.y);
  SetWindowPlacement(window, &placement);
}
