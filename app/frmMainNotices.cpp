#include "frmMain.h"

#include <type_traits>
#include <utility>

#include "TrayTexts.h"
#include "frmMainIds.h"

namespace {

struct MenuDeleter {
  void operator()(HMENU menu) const { DestroyMenu(menu); }
};

}  // namespace

// An icon the shell does not take now is added again when a task bar comes.
void frmMain::CreateTrayIcon() {
  if (!services_.shell) return;
  taskbarCreated_ = NotifyIcon::TaskbarCreatedMessage();
  tray_ = std::make_unique<NotifyIcon>(*services_.shell, kTrayMessage);
  tray_->Add(hWnd_, LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1)), TrayTip(false, 0, 0));
}

void frmMain::OnTrayMessage(UINT mouseMessage) {
  if (closing_) return;
  switch (mouseMessage) {
    case WM_LBUTTONUP:
    case NIN_BALLOONUSERCLICK:
      RestoreWindow();
      break;
    case WM_RBUTTONUP:
    case WM_CONTEXTMENU:
      ShowTrayMenu();
      break;
  }
}

// The menu's commands come back as the window's own: the button's press and
// the close with its confirmation.
void frmMain::ShowTrayMenu() {
  std::unique_ptr<std::remove_pointer_t<HMENU>, MenuDeleter> menu(CreatePopupMenu());
  AppendMenuW(menu.get(), MF_STRING, kTrayShow, L"显示");
  AppendMenuW(menu.get(), MF_STRING, kTrayStartStop, L"开始/停止");
  AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu.get(), MF_STRING, kTrayExit, L"退出");
  POINT at{};
  GetCursorPos(&at);
  // Without the foreground the menu would not close on a click elsewhere.
  SetForegroundWindow(hWnd_);
  TrackPopupMenu(menu.get(), TPM_RIGHTBUTTON, at.x, at.y, 0, hWnd_, nullptr);
  PostMessageW(hWnd_, WM_NULL, 0, 0);
}

void frmMain::RestoreWindow() {
  ShowWindow(hWnd_, IsIconic(hWnd_) ? SW_RESTORE : SW_SHOW);
  SetForegroundWindow(hWnd_);
}

// Only a window whose icon the shell holds may leave the task bar, or
// nothing would bring it back.
void frmMain::OnMinimized() {
  if (minimizeToTray_ && tray_ && tray_->Shown()) ShowWindow(hWnd_, SW_HIDE);
}

void frmMain::UpdateTrayTip() {
  if (tray_) tray_->SetTip(TrayTip(k_ == 1, static_cast<int>(watchitems_.size()), static_cast<int>(dropped_.size())));
}

void frmMain::History_Click() {
  history_.Show(hWnd_);
}

// A history that cannot be written never holds the monitoring up; the first
// failure of the session shows in the status bar.
void frmMain::Notice(const MonitorEvent& event, bool balloon) {
  if (event.kind == MonitorEventKind::Started) dropped_.clear();
  if (event.kind == MonitorEventKind::DropConfirmed) dropped_.insert(event.entry);
  const HistoryRecord record = services_.history.Record(event, account_.cpid);
  if (!services_.history.Write(record) && !std::exchange(historyFailed_, true)) {
    statusBar_.Note(L"历史记录无法写入：" + services_.history.Path());
  }
  history_.Add(record);
  if (tray_ && balloon) {
    if (const auto text = BalloonText(event)) tray_->Balloon(L"Lumora", *text);
  }
  UpdateTrayTip();
}
