#pragma once

#include <windows.h>

#include <string>

// A modal prompt with one edit box, OK and Cancel; Cancel gives empty text.
std::wstring ShowInputBox(HWND owner, const std::wstring& prompt, const std::wstring& title);
