#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ColumnSort.h"
#include "ConnectionColumns.h"
#include "ConnectionView.h"
#include "Controls.h"
#include "FilterBox.h"
#include "Form1.h"
#include "Form3.h"
#include "HistoryLog.h"
#include "HistoryWindow.h"
#include "MonitorEvent.h"
#include "NotifyIcon.h"
#include "ServiceReach.h"
#include "ServiceSetting.h"
#include "ServiceStatusBar.h"
#include "ServiceUrls.h"
#include "ServiceWorker.h"
#include "TableText.h"
#include "Settings.h"
#include "UserPrompts.h"
#include "WindowKeys.h"
#include "mTCPTable.h"
#include "ucListView.h"

// Where the main window meets the outside world.
struct frmMainServices {
  std::wstring serviceAddress;
  UserPrompts* prompts = nullptr;
  AlarmSound* alarm = nullptr;
  std::unique_ptr<TcpRowSource> rowSource;
  Settings settings;  // what is remembered between runs
  std::function<void()> onClosed;  // after the window is gone
  NotifyShell* shell = nullptr;  // none: no notification icon
  HistoryLog history;            // where the events are written down
  DesktopShell* folders = nullptr;  // opens a program's folder
};

// The start-up window: account strip, watch list and connection list.
class frmMain : private ucListViewEvents {
 public:
  explicit frmMain(frmMainServices services);
  ~frmMain() override;
  frmMain(const frmMain&) = delete;
  frmMain& operator=(const frmMain&) = delete;

  // Creates the window; its load runs before this returns.
  bool Create(int showCommand);
  HWND hWnd() const { return hWnd_; }

  // The handlers, public so that tests drive them without clicks or timers.
  // A refresh asks for a snapshot; the list fills when it arrives.
  void RefreshList();
  void Command1_Click();
  void cmdRefresh_Click();
  void cmdDisconnect_Click();
  void Timer1_Timer();
  void Timer2_Timer();
  void SnapshotRetry_Timer();
  void lvInfo_DblClick();
  void lvInfo_ColumnClick(int column);
  void cf_Click();
  void ab_Click();
  void History_Click();
  // The connection list's own commands (ConnectionList.cpp).
  void Export_Click();
  void CopySelectedRows();
  void ShowRowMenu(POINT at);
  void FilterChanged();

  // What tests look at.
  ucListView& lvInfo() { return lvInfo_; }
  const ConnectionView& Connections() const { return view_; }
  const FilterBox& Filter() const { return filter_; }
  const CListBox& List1() const { return List1_; }
  const CWindow& txtwxid() const { return txtwxid_; }
  const CWindow& pwd() const { return pwd_; }
  const CWindow& cpid() const { return cpid_; }
  const CButton& Command1() const { return Command1_; }
  const CWindow& Text2() const { return Text2_; }
  HWND tlbCommand() const { return tlbCommand_; }
  const ServiceStatusBar& StatusBar() const { return statusBar_; }
  // Nothing of the service's conversation is queued, under way or unhandled.
  bool ServiceIdle() const { return worker_.Idle(); }
  // No snapshot is being taken.
  bool SnapshotIdle() const { return !table_->Fetching(); }
  // The wait before a failed snapshot is taken again, in ms; 0 when none is due.
  UINT SnapshotRetryDelay() const { return retryDelay_; }
  Form1& TipsWindow() { return Form1_; }
  Form3& OptionsWindow() { return Form3_; }
  HistoryWindow& HistoryForm() { return history_; }
  // Null when the program has no notification icon.
  const NotifyIcon* TrayIcon() const { return tray_.get(); }
  // The icon's mouse messages, in lParam.
  static constexpr UINT kTrayMessage = WM_APP + 5;
  int k() const { return k_; }
  bool ringon() const { return ringon_; }
  int localring() const { return localring_; }

 private:
  static constexpr UINT_PTR kTimer1 = 1;
  static constexpr UINT_PTR kTimer2 = 2;
  static constexpr UINT_PTR kSnapshotRetry = 3;
  static constexpr UINT kSnapshotTaken = WM_APP + 3;

  // What a run sends the service: read once, at the start of the run.
  struct RunAccount {
    std::wstring wxid;
    std::wstring cpid;
    std::wstring pwd;
  };
  // A reminder of the current run that the service has not acknowledged.
  struct PendingReminder {
    enum class State { Sending, Retrying, Refused };
    std::wstring key;
    int line;           // its List1 line
    std::wstring text;  // that line without a reminder state
    State state;
    std::wstring idempotencyKey;  // the same for every retry
    int tries = 0;      // requests sent
    int failures = 0;   // answers that did not reach the service
  };

  static LRESULT CALLBACK WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK StripProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK PasswordProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR self);
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnCreate();
  void OnSize(int width, int height);
  void OnCommand(int id, int code);
  void OnContextMenu(HWND window, POINT at);
  void OnSettingChange();
  void OnActivate(int state);
  void OnClose();
  void OnDpiChanged(int dpi, const RECT& suggested);
  void OnDestroy();
  void SaveSession();
  void OnTips(const ServiceReply& reply);
  void OnVersionVerdict(const ServiceReply& reply, const std::vector<std::wstring>& items,
                        const RunAccount& account);
  void OnMonitoringOnAnswer(int run, const ServiceReply& reply);
  void OnReminderAnswer(int run, const std::wstring& key, const PendingReminder& sent, const ServiceReply& reply);
  void OnStopAnswer(const ServiceReply& reply);
  void OnSnapshotTaken();
  void ConfirmClose();

  void CreateControls();
  void Form_Load();
  void StartMonitoring();
  void StopMonitoring();
  void EndRun();
  std::vector<std::wstring> CaptureWatchItems();
  bool AccountIsValid();
  bool WatchItemsAreValid(const std::vector<std::wstring>& items);
  void LoadRememberedAccount();
  void RememberAccount() const;
  void TakeSnapshot();
  void RetrySnapshotLater();
  void StopSnapshotRetry();
  void CheckWatchItems();
  void ConfirmDrops();
  void RetryReminders();
  void SendReminder(const std::wstring& key, PendingReminder& reminder);
  void SetReminderLine(int line, const std::wstring& text, const std::wstring& state);

  // What the monitoring cycle tells, each in one place (MonitoringEvents.cpp).
  void OnDropConfirmed(const PendingReminder& reminder);
  void OnReminderQueued(const PendingReminder& reminder);
  void OnReminderAcknowledged(const PendingReminder& reminder, const ServiceReply& reply);
  void OnReminderRefused(const PendingReminder& reminder, const ServiceReply& reply);
  void OnReminderNotDelivered(const PendingReminder& reminder);
  void OnReminderStillFailing(const PendingReminder& reminder, const ServiceReply& reply);
  void OnHeartbeatAnswer(const ServiceReply& reply);
  void OnSnapshotFailed();
  void OnSnapshotRead();
  void OnServiceAnswer(const ServiceReply& reply);

  void Tell(const std::wstring& text);
  // The notification icon, its menu and the window's place in the notification area.
  void CreateTrayIcon();
  void OnTrayMessage(UINT mouseMessage);
  void ShowTrayMenu();
  void RestoreWindow();
  void OnMinimized();
  void UpdateTrayTip();
  // Writes the event into the history and shows it where it belongs.
  void Notice(const MonitorEvent& event, bool balloon = true);
  void DblClick() override { lvInfo_DblClick(); }
  void ColumnClick(int Column) override { lvInfo_ColumnClick(Column); }
  void KeyDown(int& KeyCode, int& Shift) override;
  void OnSubItemPrePaint(int Item, int SubItem, COLORREF& TextBackColor, COLORREF& TextForeColor,
                         bool& Process) override;
  TextTable RowsText(const std::vector<int>& items) const;
  int CurrentItem() const;
  void ShowRowCounts() const;

  frmMainServices services_;
  ServiceSetting serviceSetting_;
  ServiceUrls urls_;  // the service of the current run, or of the load
  std::unique_ptr<mTCPTable> table_;
  HWND hWnd_ = nullptr;
  HWND lastFocus_ = nullptr;
  int dpi_ = 96;

  ServiceWorker worker_;
  HWND tlbCommand_ = nullptr;
  CWindow Text3_, txtwxid_, Text1_, pwd_, Text4_, Text2_;
  CWindow cpid_, Label1_;
  CListBox List1_;
  CButton Command1_, cmdDisconnect_, cmdRefresh_, Command2_;
  ucListView lvInfo_;
  ConnectionView view_{lvInfo_};  // lvInfo's rows
  FilterBox filter_;
  bool highContrast_ = false;  // rows are coloured with the scheme's colours only
  ConnectionColumns columns_;
  ColumnSort sort_{ConnectionColumns::SortKinds()};
  WindowKeys keys_;
  ServiceStatusBar statusBar_;
  Form1 Form1_;
  Form3 Form3_;
  HistoryWindow history_{services_.history, *services_.prompts};
  std::unique_ptr<NotifyIcon> tray_;
  UINT taskbarCreated_ = 0;

  int k_ = 0;
  std::wstring wxid_;
  RunAccount account_;
  std::set<std::wstring> hassendport_;  // acknowledged watch keys of the run, exact
  std::map<std::wstring, PendingReminder> reminders_;  // by watch key
  bool ringon_ = false;
  std::vector<std::wstring> watchitems_;
  int run_ = 0;           // counts the starts, so that a late answer finds its run
  int runFirstLine_ = 1;  // List1 line of the current run's first entry
  int localring_ = 1;
  bool minimizeToTray_ = false;
  std::set<std::wstring> dropped_;  // watch keys of the run whose drop was confirmed
  bool historyFailed_ = false;      // a failed write was shown
  ServiceReach reach_;
  // The snapshots: what the one being taken is for, and what the next is for.
  bool checkWanted_ = false;     // a tick asked for a check of the watches
  bool confirmWanted_ = false;   // a check found ports gone: look again
  bool snapshotChecks_ = false;
  bool snapshotConfirms_ = false;
  int snapshotRun_ = 0;
  std::set<std::wstring> suspects_;  // watch keys a check missed, to be confirmed
  int failedSnapshots_ = 0;      // in a row
  bool troubleShown_ = false;    // the status bar tells that snapshots fail
  UINT retryDelay_ = 0;          // of the retry due outside monitoring
  bool checking_ = false;  // a start waits for the version check
  bool tipsWaiting_ = false;  // tips came before the window was shown
  bool confirmingClose_ = false;  // the close confirmation is open
  bool closing_ = false;   // hidden, waiting for the monitoring-off answer
};
