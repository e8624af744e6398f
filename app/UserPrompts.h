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
  // The command chosen from a pop-up menu shown at a screen point; 0 for none.
  virtual int PopupMenu(HWND owner, HMENU menu, POINT at) = 0;
  // The standard save dialog for a CSV file, suggesting a name; the chosen
  // path, or empty text when the user cancels.
  virtual std::wstring SaveFileName(HWND owner, const std::wstring& suggested) = 0;
};

class WindowPrompts : public UserPrompts {
 public:
  int MsgBox(HWND owner, const std::wstring& text, const std::wstring& title, UINT buttons) override;
  std::wstring InputBox(HWND owner, const std::wstring& prompt, const std::wstring& title) override;
  int PopupMenu(HWND owner, HMENU menu, POINT at) override;
  std::wstring SaveFileName(HWND owner, const std::wstring& suggested) override;
};

// The desktop's folder windows; a test double records instead of opening one.
class DesktopShell {
 public:
  virtual ~DesktopShell() = default;
  // Opens the folder of the file with the file selected.
  virtual void ShowInFolder(const std::wstring& path) = 0;
};

class ExplorerShell : public DesktopShell {
 public:
  void ShowInFolder(const std::wstring& path) override;
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
