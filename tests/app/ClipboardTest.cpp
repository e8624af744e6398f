#include "Clipboard.h"
#include "ClipboardText.h"

#include <gtest/gtest.h>

namespace {

TEST(Clipboard, TextReplacesWhatTheClipboardHeld) {
  ASSERT_TRUE(PutOnClipboard(nullptr, L"old"));
  ASSERT_TRUE(PutOnClipboard(nullptr, L"PID\t进程\r\n100\tapp.exe\r\n"));
  EXPECT_EQ(ClipboardText(), L"PID\t进程\r\n100\tapp.exe\r\n");
}

}  // namespace
