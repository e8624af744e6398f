#pragma once

#include <windows.h>

#include <string>

// The modal windows the program asks the user with. Tests put a double in
// their place so that no test waits on a modal window.
class UserPrompts {
 public:
  virtual ~UserPrompts() = default;
  // MessageBoxW's buttons and result (IDOK, IDCANCEL).
  virtual int MsgBox(HWND owner, const std::wstring& text, const std::wstring& title, UINT buttons) = 0;
  // The typed text, or empty text when the user cancels.
  virtual std::wstring InputBox(HWND owner, const std::wstring& prompt, const std::wstring& title) = 0;
};

class WindowPrompts : public UserPrompts {
 public:
  int MsgBox(HWND owner, const std::wstring& text, const std::wstring& title, UINT buttons) override;
  std::wstring InputBox(HWND owner, const std::wstring& prompt, const std::wstring& title) override;
};

// The alarm sound; a test double records instead of playing.
class AlarmSound {
 public:
  virtual ~AlarmSound() = default;
  virtual void Play(const std::wstring& path) = 0;
};

class SystemAlarm : public AlarmSound {
 public:
  void Play(const std::wstring& path) override;
};
