#pragma once

#include <windows.h>

#include <string>

// Puts text on the clipboard as CF_UNICODETEXT in place of what it held,
// owned by the window. False when another program holds the clipboard open
// or the memory for the text cannot be had.
bool PutOnClipboard(HWND owner, const std::wstring& text);
