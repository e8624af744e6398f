#include "frmMain.h"

#include "IdempotencyKey.h"
#include "WatchCheck.h"

namespace {

constexpr int kPortColumn = 4;
constexpr int kRemarkColumn = 7;

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
  const std::wstring remark = services_.prompts->InputBox(
      hWnd_, L"请录入简短的备注，以便处理，如不填备注，则表示不监控该端口！", L"备注");
  lvInfo_.SubItemSet(lvInfo_.SelectionItem(), kRemarkColumn, remark, 0);
}

std::vector<std::wstring> frmMain::CaptureWatchItems() {
  std::vector<std::wstring> items;
  for (int row = 0; row < lvInfo_.Count(); ++row) {
    const std::wstring remark = lvInfo_.SubItemText(row, kRemarkColumn);
    if (!remark.empty()) items.push_back(lvInfo_.SubItemText(row, kPortColumn) + L"备注 " + remark);
  }
  return items;
}

// The monitoring cycle. Every tick of a run sends its heartbeat; a tick never
// checks inside another one, and a tick whose snapshot failed checks nothing:
// a missing table is not a dropped port.
void frmMain::Timer1_Timer() {
  if (k_ != 1) return;
  SendForStatus(urls_.MonitoringOn(account_.wxid, account_.cpid, account_.pwd));
  if (ticking_) return;
  ticking_ = true;
  const bool refreshed = RefreshList();
  ticking_ = false;
  if (refreshed && k_ == 1) CheckWatchItems();
}

// The first tick that finds an entry's port gone marks its line and rings;
// its reminder goes out then and again on every later tick until the service
// acknowledges it or refuses it. Equal keys share one reminder.
void frmMain::CheckWatchItems() {
  const std::vector<bool> present = WatchedPortsPresent(watchitems_, table_->LocalPorts());
  for (size_t j = 0; j < watchitems_.size(); ++j) {
    const std::wstring& key = watchitems_[j];
    if (hassendport_.contains(key)) continue;
    auto reminder = reminders_.find(key);
    if (reminder == reminders_.end()) {
      if (present[j]) continue;
      const int line = runFirstLine_ + static_cast<int>(j);
      const PendingReminder fresh{line, List1_.Line(line), PendingReminder::State::Retrying, NewIdempotencyKey()};
      reminder = reminders_.emplace(key, fresh).first;
      ringon_ = true;
    }
    if (reminder->second.state == PendingReminder::State::Retrying) SendReminder(key, reminder->second);
  }
}

void frmMain::SendReminder(const std::wstring& key, PendingReminder& reminder) {
  reminder.state = PendingReminder::State::Sending;
  SetReminderLine(reminder.line, reminder.text, L"待服务确认");
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
  statusBar_.Report(reply);
  const bool current = run == run_ && k_ == 1;
  switch (reply.kind) {
    case ReplyKind::Success:
      SetReminderLine(sent.line, sent.text, L"已提醒");
      break;
    case ReplyKind::Refusal:
      SetReminderLine(sent.line, sent.text, L"被拒绝（" + reply.text + L"）");
      break;
    case ReplyKind::Failure:
      if (!current) SetReminderLine(sent.line, sent.text, L"未送达");
      break;
  }
  const auto found = reminders_.find(key);
  if (run != run_ || found == reminders_.end()) return;
  if (reply.kind == ReplyKind::Success) {
    hassendport_.insert(key);
    reminders_.erase(found);
  } else {
    found->second.state = reply.kind == ReplyKind::Refusal ? PendingReminder::State::Refused
                                                           : PendingReminder::State::Retrying;
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
