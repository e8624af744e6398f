#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

// The shell's notification area; tests put a recorder in its place.
class NotifyShell {
 public:
  virtual ~NotifyShell() = default;
  // Shell_NotifyIconW's message (NIM_ADD, NIM_MODIFY, NIM_DELETE) and data.
  virtual bool Notify(DWORD message, const NOTIFYICONDATAW& data) = 0;
};

class SystemNotifyShell : public NotifyShell {
 public:
  bool Notify(DWORD message, const NOTIFYICONDATAW& data) override;
};

// One icon of a window in the notification area, from Add until the wrapper
// goes. Its mouse messages reach the window as the callback message with the
// mouse message in lParam. A shell that is not there yet (or restarted) takes
// the icon again on Readd.
class NotifyIcon {
 public:
  NotifyIcon(NotifyShell& shell, UINT callbackMessage) : shell_(shell), callbackMessage_(callbackMessage) {}
  ~NotifyIcon() { Remove(); }
  NotifyIcon(const NotifyIcon&) = delete;
  NotifyIcon& operator=(const NotifyIcon&) = delete;

  // The message the shell broadcasts when the task bar is created again.
  static UINT TaskbarCreatedMessage();

  bool Add(HWND window, HICON icon, const std::wstring& tip);
  bool Readd();
  void Remove();
  // The shell holds the icon.
  bool Shown() const { return shown_; }

  void SetTip(const std::wstring& tip);
  const std::wstring& Tip() const { return tip_; }
  // A standard balloon; the shell shows one at a time.
  void Balloon(const std::wstring& title, const std::wstring& text);

 private:
  NOTIFYICONDATAW Data(UINT flags) const;

  NotifyShell& shell_;
  UINT callbackMessage_;
  HWND window_ = nullptr;
  HICON icon_ = nullptr;
  std::wstring tip_;
  bool shown_ = false;
};
