#pragma once

#include <windows.h>

#include <string>

// What the clipboard holds as Unicode text, or "(busy)" when another window has it open.
inline std::wstring ClipboardText() {
  if (!OpenClipboard(nullptr)) return L"(busy)";
  std::wstring text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    text = static_cast<const wchar_t*>(GlobalLock(data));
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}
