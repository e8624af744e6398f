#include "ListViewHost.h"

#include <cmath>

std::vector<std::string> EventLog::Only(const std::vector<std::string>& prefixes) const {
  std::vector<std::string> kept;
  for (const auto& line : lines)
    for (const auto& prefix : prefixes)
      if (line.rfind(prefix, 0) == 0) {
        kept.push_back(line);
        break;
      }
  return kept;
}

void EventLog::Mouse(const char* name, int Button, float X, float Y) {
  Add(std::string(name) + " " + std::to_string(Button) + " " + std::to_string(std::lround(X)) + " " +
      std::to_string(std::lround(Y)));
}

void Pump() {
  for (int i = 0; i < 3; ++i) {
    DoEvents();
    Sleep(1);
  }
}

// One top-level window for the whole run: under Wine without a window manager,
// hiding or destroying a mapped top-level window waits two seconds.
HWND TestFrame() {
  static const HWND frame = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ListViewTestFrame";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    RegisterClassW(&wc);
    return CreateWindowExW(0, wc.lpszClassName, L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640, 480, nullptr,
                           nullptr, wc.hInstance, nullptr);
  }();
  return frame;
}

ListViewHost::ListViewHost(bool initialize) : frame(TestFrame()) {
  lv.Create(frame, 10, 10, 400, 300, 100);
  button = CreateWindowExW(0, L"BUTTON", L"next", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 420, 10, 80, 24, frame,
                           reinterpret_cast<HMENU>(101), GetModuleHandleW(nullptr), nullptr);
  if (initialize) lv.Initialize();
  SetForegroundWindow(frame);
  Pump();
}

ListViewHost::~ListViewHost() {
  DestroyWindow(button);
  Pump();
}

void ListViewHost::Fill(int rows) {
  lv.ViewMode(VIEWMODE_REPORT);
  lv.ColumnAdd(0, L"c0", 100);
  lv.ColumnAdd(1, L"c1", 100);
  lv.ColumnAdd(2, L"c2", 100);
  for (int i = 0; i < rows; ++i) {
    const std::wstring text = L"r" + std::to_wstring(i);
    lv.ItemAdd(i, text, 0, 0);
    lv.SubItemSet(i, 1, text + L"c1", 0);
    lv.SubItemSet(i, 2, text + L"c2", 0);
  }
  Pump();
}

POINT ListViewHost::ItemPoint(int item) const {
  RECT rc{};
  rc.left = LVIR_LABEL;
  SendMessageW(lv.hListView(), LVM_GETITEMRECT, item, reinterpret_cast<LPARAM>(&rc));
  return {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

void ListViewHost::Focus() {
  SetForegroundWindow(frame);
  SetFocus(lv.hListView());
  Pump();
}

void ListViewHost::Key(WORD vk) {
  for (UINT message : {WM_KEYDOWN, WM_KEYUP}) {
    MSG msg{};
    msg.hwnd = GetFocus();
    msg.message = message;
    msg.wParam = vk;
    msg.lParam = message == WM_KEYUP ? static_cast<LPARAM>(0xC0000001) : 1;
    if (!PreTranslateMessage(msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Pump();
  }
}

void ListViewHost::Click(POINT pt, UINT down, UINT up, WPARAM keys) {
  const LPARAM at = MAKELPARAM(pt.x, pt.y);
  PostMessageW(lv.hListView(), down, keys, at);
  PostMessageW(lv.hListView(), up, 0, at);
  Pump();
}
