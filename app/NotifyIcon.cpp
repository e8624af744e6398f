#include "NotifyIcon.h"

#include <algorithm>

namespace {

constexpr UINT kIconId = 1;

// The text cut to fit a fixed field, always terminated.
template <size_t N>
void CopyField(wchar_t (&field)[N], const std::wstring& text) {
  const size_t chars = std::min(text.size(), N - 1);
  std::copy_n(text.data(), chars, field);
  field[chars] = L'\0';
}

}  // namespace

bool SystemNotifyShell::Notify(DWORD message, const NOTIFYICONDATAW& data) {
  return Shell_NotifyIconW(message, const_cast<NOTIFYICONDATAW*>(&data)) != FALSE;
}

UINT NotifyIcon::TaskbarCreatedMessage() {
  return RegisterWindowMessageW(L"TaskbarCreated");
}

bool NotifyIcon::Add(HWND window, HICON icon, const std::wstring& tip) {
  window_ = window;
  icon_ = icon;
  tip_ = tip;
  return Readd();
}

// The restarted shell knows nothing of the icon, so it is added, not modified.
bool NotifyIcon::Readd() {
  if (!window_) return false;
  shown_ = shell_.Notify(NIM_ADD, Data(NIF_MESSAGE | NIF_ICON | NIF_TIP));
  return shown_;
}

void NotifyIcon::Remove() {
  if (shown_) shell_.Notify(NIM_DELETE, Data(0));
  shown_ = false;
}

void NotifyIcon::SetTip(const std::wstring& tip) {
  if (tip == tip_) return;
  tip_ = tip;
  if (shown_) shell_.Notify(NIM_MODIFY, Data(NIF_TIP));
}

void NotifyIcon::Balloon(const std::wstring& title, const std::wstring& text) {
  if (!shown_) return;
  NOTIFYICONDATAW data = Data(NIF_INFO);
  CopyField(data.szInfoTitle, title);
  CopyField(data.szInfo, text);
  data.dwInfoFlags = NIIF_INFO;
  shell_.Notify(NIM_MODIFY, data);
}

NOTIFYICONDATAW NotifyIcon::Data(UINT flags) const {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof(data);
  data.hWnd = window_;
  data.uID = kIconId;
  data.uFlags = flags;
  data.uCallbackMessage = callbackMessage_;
  data.hIcon = icon_;
  CopyField(data.szTip, tip_);
  return data;
}
