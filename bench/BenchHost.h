#pragma once

#include <windows.h>

#include "ucListView.h"

namespace bench {

constexpr int kWidth = 800, kHeight = 600;

const wchar_t* const kHeaders[] = {L"PID", L"进程", L"状态", L"本地IP", L"本地端口", L"远程IP", L"远程端口", L"备注"};
constexpr int kWidths[] = {70, 100, 70, 90, 70, 90, 70, 70};

// A visible top-level window for the measured list, so that painting is real.
inline HWND CreateHost() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"LumoraBenchHost";
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  RegisterClassW(&wc);
  HWND host = CreateWindowExW(0, wc.lpszClassName, L"bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, kWidth + 40,
                              kHeight + 60, nullptr, nullptr, wc.hInstance, nullptr);
  UpdateWindow(host);
  return host;
}

// The measured list, in report view with the program's eight columns.
inline void CreateList(ucListView& list, HWND host) {
  list.Create(host, 0, 0, kWidth, kHeight, 1);
  list.Initialize();
  list.ViewMode(VIEWMODE_REPORT);
  for (int c = 0; c < 8; ++c) list.ColumnAdd(c, kHeaders[c], kWidths[c]);
}

}  // namespace bench
