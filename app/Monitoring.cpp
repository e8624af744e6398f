#include "frmMain.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "IdempotencyKey.h"
#include "WatchCheck.h"

namespace {

std::wstring ProgramFolder() {
  std::wstring path(MAX_PATH, L'\0');
  DWORD length;
  while ((length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) == path.size()) {
    path.resize(path.size() * 2);
  }
  path.resize(length);
  return path.substr(0, path.find_last_of(L'\\'));
}

}  // namespace

// A double-click marks the selected row with a remark; empty text unmarks it.
void frmMain::lvInfo_DblClick() {
  const int item = CurrentItem();
  if (item < 0 || item >= view_.Count() || view_.Age(item) == RowAge::Closed) return;
  const std::wstring remark = services_.prompts->InputBox(
      hWnd_, L"请录入简短的备注，以便处理，如不填备注，则表示不监控该端口！", L"备注");
  view_.SetRemark(item, remark);
}

// The remarked rows in the list's order, those the filter hides included.
std::vector<std::wstring> frmMain::CaptureWatchItems() {
  std::vector<std::wstring> items;
  for (int position = 0; position < view_.Model().Count(); ++position) {
    const ConnectionTexts& texts = view_.OrderedRow(position).texts;
    if (!texts[kRemarkColumn].empty()) items.push_back(texts[kLocalPortColumn] + L"备注 " + texts[kRemarkColumn]);
  }
  return items;
}

// The monitoring cycle. A tick sends its heartbeat and the reminders waiting
// for the service whatever becomes of its snapshot, then asks for the
// snapshot; the check runs when it arrives, from its own posted message, so
// that nothing of a tick waits on a frame that a modal window could hold.
void frmMain::Timer1_Timer() {
  if (k_ != 1) return;
  worker_.Send(urls_.MonitoringOn(account_.wxid, account_.cpid, account_.pwd),
               [this](const ServiceReply& reply) { OnHeartbeatAnswer(reply); });
  RetryReminders();
  checkWanted_ = true;
  TakeSnapshot();
}

// One snapshot at a time: what is asked for while one is being taken waits
// for the next, started when this one arrives. A closing program starts none,
// since its end waits for the snapshot being taken.
void frmMain::TakeSnapshot() {
  if (table_->Fetching() || closing_) return;
  snapshotChecks_ = std::exchange(checkWanted_, false);
  snapshotConfirms_ = std::exchange(confirmWanted_, false);
  snapshotRun_ = run_;
  table_->BeginFetch(hWnd_, kSnapshotTaken, view_.Order());
}

// Each snapshot that was read whole is shown at once; the check and its
// confirmation then read its ports. A snapshot of a run that has ended checks
// nothing; one that could not be read whole counts as failed.
void frmMain::OnSnapshotTaken() {
  const bool whole = table_->EndFetch();
  const bool current = k_ == 1 && snapshotRun_ == run_;
  const bool checks = std::exchange(snapshotChecks_, false);
  const bool confirms = std::exchange(snapshotConfirms_, false);
  if (whole) {
    view_.Show(table_->TakeModel(), table_->TakeOrder());
    ShowRowCounts();
    OnSnapshotRead();
    StopSnapshotRetry();
    if (current && confirms) ConfirmDrops();
    if (current && checks) CheckWatchItems();
  } else {
    OnSnapshotFailed();
    if (k_ != 1) RetrySnapshotLater();
  }
  if (checkWanted_ || confirmWanted_) TakeSnapshot();
}

// Outside monitoring nothing but F5 would take a failed snapshot again, and
// the first one leaves the list empty: it is retried soon, then ever more
// seldom. Monitoring retries with its own ticks.
void frmMain::RetrySnapshotLater() {
  constexpr UINT kDelays[] = {1000, 2000, 5000, 20000};
  retryDelay_ = kDelays[std::min<size_t>(failedSnapshots_, std::size(kDelays)) - 1];
  SetTimer(hWnd_, kSnapshotRetry, retryDelay_, nullptr);
}

void frmMain::StopSnapshotRetry() {
  if (std::exchange(retryDelay_, 0) != 0) KillTimer(hWnd_, kSnapshotRetry);
}

// A retry that finds a snapshot under way leaves it to that one.
void frmMain::SnapshotRetry_Timer() {
  StopSnapshotRetry();
  if (k_ != 1) TakeSnapshot();
}

// A watched port missing from a snapshot is only a suspect: the list can miss
// a line that a socket closing meanwhile pushed out of a read. A fresh
// snapshot, taken at once, confirms it.
void frmMain::CheckWatchItems() {
  const std::vector<bool> present = WatchedPortsPresent(watchitems_, view_.Model().LocalPorts());
  suspects_.clear();
  for (size_t j = 0; j < watchitems_.size(); ++j) {
    const std::wstring& key = watchitems_[j];
    if (!present[j] && !hassendport_.contains(key) && !reminders_.contains(key)) suspects_.insert(key);
  }
  if (!suspects_.empty()) confirmWanted_ = true;
}

// A port missing from both snapshots has gone: its line is marked, the alarm
// rings and the reminder goes out, then again on every later tick until the
// service acknowledges it or refuses it. Equal keys share one reminder.
void frmMain::ConfirmDrops() {
  const std::vector<bool> present = WatchedPortsPresent(watchitems_, view_.Model().LocalPorts());
  for (size_t j = 0; j < watchitems_.size(); ++j) {
    const std::wstring& key = watchitems_[j];
    if (present[j] || !suspects_.contains(key) || reminders_.contains(key)) continue;
    const int line = runFirstLine_ + static_cast<int>(j);
    const PendingReminder fresh{key, line, List1_.Line(line), PendingReminder::State::Retrying, NewIdempotencyKey()};
    PendingReminder& reminder = reminders_.emplace(key, fresh).first->second;
    OnDropConfirmed(reminder);
    SendReminder(key, reminder);
  }
  suspects_.clear();
}

void frmMain::RetryReminders() {
  for (auto& [key, reminder] : reminders_) {
    if (reminder.state == PendingReminder::State::Retrying) SendReminder(key, reminder);
  }
}

void frmMain::SendReminder(const std::wstring& key, PendingReminder& reminder) {
  reminder.state = PendingReminder::State::Sending;
  ++reminder.tries;
  OnReminderQueued(reminder);
  worker_.Send(urls_.Reminder(account_.wxid, key, account_.cpid, account_.pwd),
               [this, run = run_, key, sent = reminder](const ServiceReply& reply) {
                 OnReminderAnswer(run, key, sent, reply);
               },
               0, IdempotencyHeader(reminder.idempotencyKey));
}

// An answer may come after its run has stopped, or after a new run started;
// it then only finishes its own line.
void frmMain::OnReminderAnswer(int run, const std::wstring& key, const PendingReminder& sent,
                               const ServiceReply& reply) {
  OnServiceAnswer(reply);
  const bool current = run == run_ && k_ == 1;
  switch (reply.kind) {
    case ReplyKind::Success:
      OnReminderAcknowledged(sent, reply);
      break;
    case ReplyKind::Refusal:
      OnReminderRefused(sent, reply);
      break;
    case ReplyKind::Failure:
      if (!current) OnReminderNotDelivered(sent);
      break;
  }
  const auto found = reminders_.find(key);
  if (run != run_ || found == reminders_.end()) return;
  PendingReminder& reminder = found->second;
  switch (reply.kind) {
    case ReplyKind::Success:
      hassendport_.insert(key);
      reminders_.erase(found);
      break;
    case ReplyKind::Refusal:
      reminder.state = PendingReminder::State::Refused;
      break;
    case ReplyKind::Failure:
      reminder.state = PendingReminder::State::Retrying;
      ++reminder.failures;
      if (current) OnReminderStillFailing(reminder, reply);
      break;
  }
}

void frmMain::SetReminderLine(int line, const std::wstring& text, const std::wstring& state) {
  List1_.DeleteString(line);
  List1_.InsertString(line, text + L"，提醒状态：" + state);
}

// The alarm rings on until the local ring option is switched off.
void frmMain::Timer2_Timer() {
  if (ringon_ && localring_ == 1) services_.alarm->Play(ProgramFolder() + L"\\tx.wav");
}
