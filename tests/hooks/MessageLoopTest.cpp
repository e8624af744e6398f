#include <gtest/gtest.h>

#include <vector>

#include "InPlaceHook.h"
#include "MessageLoop.h"

namespace {

constexpr UINT kPing = WM_APP + 7;
int g_pings = 0;

LRESULT CALLBACK CountingProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  if (uMsg == kPing) ++g_pings;
  return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

// One top-level window for the run: destroying a mapped one under Wine without
// a window manager waits two seconds.
HWND Frame() {
  static const HWND frame = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = CountingProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"MessageLoopTestFrame";
    RegisterClassW(&wc);
    return CreateWindowExW(0, wc.lpszClassName, L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr,
                           nullptr, wc.hInstance, nullptr);
  }();
  return frame;
}

HWND Button(int id, int x) {
  return CreateWindowExW(0, L"BUTTON", L"b", WS_CHILD | WS_VISIBLE | WS_TABSTOP, x, 10, 60, 24, Frame(),
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

MSG KeyMessage(HWND hWnd, UINT message, WPARAM vk) {
  MSG msg{};
  msg.hwnd = hWnd;
  msg.message = message;
  msg.wParam = vk;
  msg.lParam = 1;
  return msg;
}

struct FakeControl : IInPlaceActiveControl {
  HWND window = nullptr;
  bool claim = true;
  std::vector<WPARAM> offered;
  HWND ControlWindow() const override { return window; }
  bool TranslateAccelerator(MSG& msg) override {
    offered.push_back(msg.wParam);
    return claim;
  }
};

}  // namespace

TEST(MessageLoop, DoEventsRunsWhatIsPendingAndKeepsTheQuitForTheMainLoop) {
  g_pings = 0;
  PostMessageW(Frame(), kPing, 0, 0);
  PostMessageW(Frame(), kPing, 0, 0);
  PostQuitMessage(3);
  DoEvents();
  EXPECT_EQ(g_pings, 2);
  EXPECT_EQ(RunMessageLoop(), 3);
}

TEST(MessageLoop, KeysForTheActiveControlGoToItFirst) {
  FakeControl control;
  control.window = Button(1, 10);
  const HWND outside = Button(2, 80);
  InPlaceHookRecord record;
  InPlaceHookAttach(record, control);
  EXPECT_EQ(InPlaceActiveControl(), nullptr);  // attached, not yet active
  InPlaceActivate(record);
  EXPECT_EQ(InPlaceActiveControl(), &control);

  MSG down = KeyMessage(control.window, WM_KEYDOWN, VK_DOWN);
  EXPECT_TRUE(PreTranslateMessage(down));
  MSG outsideKey = KeyMessage(outside, WM_KEYDOWN, VK_DOWN);
  PreTranslateMessage(outsideKey);
  MSG character = KeyMessage(control.window, WM_CHAR, 'a');
  PreTranslateMessage(character);
  EXPECT_EQ(control.offered, std::vector<WPARAM>{VK_DOWN});

  InPlaceHookDetach(record);
  EXPECT_EQ(InPlaceActiveControl(), nullptr);
  PreTranslateMessage(down);
  EXPECT_EQ(control.offered.size(), 1u);
  DestroyWindow(control.window);
  DestroyWindow(outside);
}

TEST(MessageLoop, TabMovesTheFocusInAWindowThatIsNoDialog) {
  const HWND first = Button(1, 10), second = Button(2, 80);
  FakeControl control;  // takes part but leaves Tab alone
  control.window = first;
  control.claim = false;
  InPlaceHookRecord record;
  InPlaceHookAttach(record, control);
  InPlaceActivate(record);
  SetForegroundWindow(Frame());
  SetFocus(first);
  MSG tab = KeyMessage(first, WM_KEYDOWN, VK_TAB);
  EXPECT_TRUE(PreTranslateMessage(tab));
  EXPECT_EQ(GetFocus(), second);
  EXPECT_EQ(control.offered, std::vector<WPARAM>{VK_TAB});
  InPlaceHookDetach(record);
  DestroyWindow(first);
  DestroyWindow(second);
}
