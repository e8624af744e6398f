#include "Clipboard.h"

#include <gtest/gtest.h>

namespace {

std::wstring ClipboardText() {
  if (!OpenClipboard(nullptr)) return L"(busy)";
  std::wstring text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    text = static_cast<const wchar_t*>(GlobalLock(data));
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

TEST(Clipboard, TextReplacesWhatTheClipboardHeld) {
  ASSERT_TRUE(PutOnClipboard(nullptr, L"old"));
  ASSERT_TRUE(PutOnClipboard(nullptr, L"PID\t进程\r\n100\tapp.exe\r\n"));
  EXPECT_EQ(ClipboardText(), L"PID\t进程\r\n100\tapp.exe\r\n");
}

}  // namespace
