#include "frmMain.h"

#include "FailureText.h"
#include "LumoraConfig.h"

namespace {

constexpr size_t kMaxCodeChars = 64;
constexpr int kMaxWatchKeyBytes = 512;

bool IsComputerId(const std::wstring& text) {
  return text.size() == 1 && text[0] >= L'1' && text[0] <= L'5';
}

bool IsControl(wchar_t c) {
  return c < L' ' || c == 0x7F;
}

// The service's rules for the authorisation code, each with its own message
// (never the code itself); empty text when the code keeps them.
std::wstring CodeProblem(const std::wstring& code) {
  if (code.size() > kMaxCodeChars) return L"邮箱授权码最多64个字符！";
  if (code.find(L' ') != std::wstring::npos) return L"邮箱授权码不能包含空格！";
  for (wchar_t c : code) {
    if (c < L'!' || c > L'~') return L"邮箱授权码只能由英文字母、数字和英文符号组成！";
  }
  return {};
}

int Utf8Bytes(const std::wstring& text) {
  return WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
}

// The service's rules for a watch key, the message naming the entry's port.
std::wstring WatchKeyProblem(const std::wstring& key) {
  const std::wstring port = key.substr(0, key.find(L'备'));
  for (wchar_t c : key) {
    if (IsControl(c)) return L"端口" + port + L"的备注不能包含制表符、换行等控制字符！";
  }
  if (Utf8Bytes(key) > kMaxWatchKeyBytes) return L"端口" + port + L"的备注太长，请写得简短些！";
  return {};
}

}  // namespace

bool frmMain::AccountIsValid() {
  const std::wstring domain = kMailDomain;
  if (wxid_.find(L"@" + domain) == std::wstring::npos || wxid_ == L"XXXX@" + domain) {
    Tell(L"请填写正确的邮箱，注意只能使用" + domain + L"的邮箱！！");
    return false;
  }
  const std::wstring code = pwd_.Text();
  if (code.empty()) {
    Tell(L"请填写邮箱授权码！！");
    return false;
  }
  if (const std::wstring problem = CodeProblem(code); !problem.empty()) {
    Tell(problem);
    return false;
  }
  const std::wstring id = cpid_.Text();
  if (id.empty()) {
    Tell(L"请输入电脑标识！");
    return false;
  }
  if (!IsComputerId(id)) {
    Tell(L"电脑标识只能是1到5的数字！");
    return false;
  }
  return true;
}

bool frmMain::WatchItemsAreValid(const std::vector<std::wstring>& items) {
  for (const std::wstring& key : items) {
    if (const std::wstring problem = WatchKeyProblem(key); !problem.empty()) {
      Tell(problem);
      return false;
    }
  }
  return true;
}

// A press while monitoring runs always stops it, marked rows or not: a watched
// connection that has gone takes its mark with it.
// A start waits for the service's version check without holding the window,
// and the button takes no second press meanwhile.
void frmMain::Command1_Click() {
  if (checking_) return;
  if (k_ == 1) {
    StopMonitoring();
    return;
  }
  wxid_ = txtwxid_.Text();
  if (!AccountIsValid()) return;
  std::vector<std::wstring> items = CaptureWatchItems();
  if (items.empty()) {
    Tell(L"你还没有选择要监控的程序！");
    return;
  }
  if (!WatchItemsAreValid(items)) return;
  checking_ = true;
  Command1_.Enable(false);
  urls_ = ServiceUrls(serviceSetting_.Current());
  const RunAccount account{wxid_, cpid_.Text(), pwd_.Text()};
  worker_.Send(urls_.VersionCheck(wxid_), [this, items, account](const ServiceReply& reply) {
    OnVersionVerdict(reply, items, account);
  });
}

// A verdict or a refusal blocks the start. A service out of reach does not:
// the local alarm works without it, and reminders wait until it answers.
void frmMain::OnVersionVerdict(const ServiceReply& reply, const std::vector<std::wstring>& items,
                               const RunAccount& account) {
  checking_ = false;
  Command1_.Enable(true);
  OnServiceAnswer(reply);
  if (closing_) return;
  if (reply.kind != ReplyKind::Failure && !reply.text.empty()) {
    Tell(reply.text);
    return;
  }
  watchitems_ = items;
  account_ = account;
  StartMonitoring();
  if (reply.kind == ReplyKind::Failure) {
    Tell(L"暂时连不上提醒服务（" + FailureText(reply) +
         L"），监控照常开始：掉线时本地铃声照常提醒，提醒邮件等服务恢复后补发。");
  }
}

// Every start re-arms all its entries: each can remind once in this run.
void frmMain::StartMonitoring() {
  k_ = 1;
  ++run_;
  hassendport_.clear();
  reminders_.clear();
  suspects_.clear();
  SetTimer(hWnd_, kTimer1, 20000, nullptr);
  Command1_.SetText(L"单击停止");
  runFirstLine_ = List1_.Count();
  for (const std::wstring& key : watchitems_) {
    List1_.AddString(L" 电脑标识：" + account_.cpid + L"  ，状态：" + L"监控中  " + L"，端口：" + key);
  }
  worker_.Send(urls_.MonitoringOn(account_.wxid, account_.cpid, account_.pwd),
               [this, run = run_](const ServiceReply& reply) { OnMonitoringOnAnswer(run, reply); });
  pwd_.Enable(false);
  txtwxid_.Enable(false);
  cpid_.Enable(false);
  RememberAccount();
  Notice({MonitorEventKind::Started, L"", L""});
}

// The service that refuses to watch this computer ends the run it started:
// no heartbeat or reminder of it could be taken either.
void frmMain::OnMonitoringOnAnswer(int run, const ServiceReply& reply) {
  OnServiceAnswer(reply);
  if (reply.kind != ReplyKind::Refusal || run != run_ || k_ != 1 || closing_) return;
  EndRun();
  Tell(reply.text);
}

void frmMain::StopMonitoring() {
  EndRun();
  worker_.Send(urls_.MonitoringOff(account_.wxid, account_.cpid, account_.pwd),
               [this](const ServiceReply& reply) { OnStopAnswer(reply); });
}

// Reminders still waiting for the service end with the run, shown undelivered.
void frmMain::EndRun() {
  k_ = 0;
  KillTimer(hWnd_, kTimer1);
  Command1_.SetText(L"单击开始");
  pwd_.Enable(true);
  txtwxid_.Enable(true);
  cpid_.Enable(true);
  suspects_.clear();
  for (const auto& [key, reminder] : reminders_) {
    if (reminder.state == PendingReminder::State::Retrying) OnReminderNotDelivered(reminder);
  }
  Notice({MonitorEventKind::Stopped, L"", L""});
}

void frmMain::OnStopAnswer(const ServiceReply& reply) {
  OnServiceAnswer(reply);
  Text2_.SetText(Text2_.Text() + L"\r\n" + reply.text);
}

// The address and the computer id come back at the next load; the
// authorisation code is never written down.
void frmMain::LoadRememberedAccount() {
  const std::wstring address = services_.settings.Read(L"Address");
  if (!address.empty()) txtwxid_.SetText(address);
  const std::wstring id = services_.settings.Read(L"Computer");
  if (IsComputerId(id)) cpid_.SetText(id);
}

void frmMain::RememberAccount() const {
  services_.settings.Write(L"Address", account_.wxid);
  services_.settings.Write(L"Computer", account_.cpid);
}
