#include "WindowPlace.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace {

constexpr wchar_t kPlaceName[] = L"MainWindow";
// How much of the title bar a user needs to take hold of the window, at 96 dpi.
constexpr LONG kGripWidth = 40;

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

bool MinimisedShow(int showCommand) {
  return showCommand == SW_SHOWMINIMIZED || showCommand == SW_MINIMIZE || showCommand == SW_SHOWMINNOACTIVE ||
         showCommand == SW_FORCEMINIMIZE;
}

struct GripSearch {
  RECT titleBar;
  LONG grip;
  bool found;
};

BOOL CALLBACK FindGrip(HMONITOR monitor, HDC, LPRECT, LPARAM context) {
  auto& search = *reinterpret_cast<GripSearch*>(context);
  const RECT work = WorkArea(monitor);
  RECT part;
  if (IntersectRect(&part, &search.titleBar, &work) && part.right - part.left >= search.grip &&
      part.bottom - part.top >= (search.titleBar.bottom - search.titleBar.top) / 2) {
    search.found = true;
    return FALSE;
  }
  return TRUE;
}

// A user can take hold of a window whose title bar lies enough on some
// monitor's work area.
bool TitleBarReachable(const RECT& window, int dpi) {
  const LONG caption = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFRAME);
  GripSearch search{{window.left, window.top, window.right, window.top + caption}, MulDiv(kGripWidth, dpi, 96),
                    false};
  EnumDisplayMonitors(nullptr, nullptr, FindGrip, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Saved numbers beyond these are no place a window was: a hand-edited file.
constexpr long kMaxCoordinate = 1000000;
constexpr long kMaxDpi = 4800;

// One decimal number with an optional minus sign, within the bound.
std::optional<long> BoundedNumber(std::wstring_view text, long bound) {
  const bool negative = text.starts_with(L'-');
  if (negative) text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  long value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return std::nullopt;
    value = value * 10 + (c - L'0');
    if (value > bound) return std::nullopt;
  }
  return negative ? -value : value;
}

std::vector<std::wstring_view> Fields(std::wstring_view text) {
  std::vector<std::wstring_view> fields;
  for (size_t at = 0;;) {
    const size_t comma = text.find(L',', at);
    fields.push_back(text.substr(at, comma - at));
    if (comma == std::wstring_view::npos) return fields;
    at = comma + 1;
  }
}

}  // namespace

std::optional<WindowPlace> ReadWindowPlace(const Settings& settings) {
  const std::wstring text = settings.Read(kPlaceName);
  const std::vector<std::wstring_view> fields = Fields(text);
  if (fields.size() != 6) return std::nullopt;
  long numbers[6];
  const long bounds[6] = {kMaxCoordinate, kMaxCoordinate, kMaxCoordinate, kMaxCoordinate, 1, kMaxDpi};
  for (size_t i = 0; i < 6; ++i) {
    const std::optional<long> number = BoundedNumber(fields[i], bounds[i]);
    if (!number) return std::nullopt;
    numbers[i] = *number;
  }
  WindowPlace place;
  place.normal = {numbers[0], numbers[1], numbers[2], numbers[3]};
  place.maximized = numbers[4] == 1;
  place.dpi = static_cast<int>(numbers[5]);
  if (place.normal.right <= place.normal.left || place.normal.bottom <= place.normal.top || place.dpi <= 0 ||
      (numbers[4] != 0 && numbers[4] != 1)) {
    return std::nullopt;
  }
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
  if (!TitleBarReachable(normal, dpi)) {
    normal = KeepInside(normal, WorkArea(MonitorFromRect(&normal, MONITOR_DEFAULTTONEAREST)));
  }
  const POINT origin = WorkspaceOrigin();
  WINDOWPLACEMENT placement{};
  placement.length = sizeof(placement);
  GetWindowPlacement(window, &placement);
  placement.flags = place->maximized && MinimisedShow(showCommand) ? WPF_RESTORETOMAXIMIZED : 0;
  placement.showCmd = place->maximized && PlainShow(showCommand) ? SW_SHOWMAXIMIZED : showCommand;
  placement.rcNormalPosition = Shifted(normal, -origin.x, -origin.y);
  SetWindowPlacement(window, &placement);
}
