#include "FilterBox.h"

#include <gtest/gtest.h>

#include "MessageLoop.h"

namespace {

// A top-level window holding the box, counting the changes it is told of.
class FilterBoxTest : public ::testing::Test {
 protected:
  static LRESULT CALLBACK HostProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && LOWORD(wParam) == 7 && HIWORD(wParam) == EN_CHANGE) {
      ++*reinterpret_cast<int*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    }
    return DefWindowProcW(hWnd, message, wParam, lParam);
  }

  void SetUp() override {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = HostProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"FilterBoxHost";
    RegisterClassW(&windowClass);
    host = CreateWindowExW(WS_EX_CONTROLPARENT, L"FilterBoxHost", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400,
                           200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(host, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&changes));
    box.Create(host, 7, 96);
    box.Move(0, 10, 400);
  }
  void TearDown() override { DestroyWindow(host); }

  // A key as the program's message loop routes it, dialog keys included.
  void Key(UINT key) {
    for (UINT message : {WM_KEYDOWN, WM_KEYUP}) {
      MSG msg{box.hField(), message, key, 1, 0, {}};
      if (!PreTranslateMessage(msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    }
    DoEvents();
  }

  HWND host = nullptr;
  int changes = 0;
  FilterBox box;
};

TEST_F(FilterBoxTest, EscClearsTheFieldAndTellsTheWindow) {
  box.SetText(L"firefox");
  ASSERT_EQ(changes, 1);
  SetFocus(box.hField());
  Key(VK_ESCAPE);
  EXPECT_EQ(box.Text(), L"");
  EXPECT_EQ(changes, 2);
  EXPECT_TRUE(IsWindow(host));
}

TEST_F(FilterBoxTest, FollowsTheWidthItIsGiven) {
  RECT field{};
  for (int width : {400, 250}) {
    box.Move(0, 10, width);
    GetWindowRect(box.hField(), &field);
    MapWindowPoints(nullptr, host, reinterpret_cast<POINT*>(&field), 2);
    EXPECT_EQ(field.right, width - 8) << width;  // the margin of 120 twips at 96 dpi
  }
}

}  // namespace
