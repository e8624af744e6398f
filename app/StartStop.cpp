#include "frmMain.h"

#include "LumoraConfig.h"
#include "PostUrl.h"

namespace {

bool IsComputerId(const std::wstring& text) {
  return text.size() == 1 && text[0] >= L'1' && text[0] <= L'5';
}

}  // namespace

bool frmMain::AccountIsValid() {
  const std::wstring domain = kMailDomain;
  if (wxid_.find(L"@" + domain) == std::wstring::npos || wxid_ == L"XXXX@" + domain) {
    Tell(L"请填写正确的邮箱，注意只能使用" + domain + L"的邮箱！！");
    return false;
  }
  if (pwd_.Text().empty()) {
    Tell(L"请填写邮箱授权码！！");
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

// A press while monitoring runs always stops it: every tick's refresh clears
// the marks, so asking for a marked row first would make it impossible to stop.
void frmMain::Command1_Click() {
  if (k_ == 1) {
    StopMonitoring();
    return;
  }
  wxid_ = txtwxid_.Text();
  if (!AccountIsValid()) return;
  const std::wstring verdict = PostUrl(urls_.VersionCheck(wxid_));
  if (!verdict.empty()) {
    Tell(verdict);
    return;
  }
  std::vector<std::wstring> items = CaptureWatchItems();
  if (items.empty()) {
    Tell(L"你还没有选择要监控的程序！");
    return;
  }
  watchitems_ = std::move(items);
  StartMonitoring();
}

void frmMain::StartMonitoring() {
  k_ = 1;
  SetTimer(hWnd_, kTimer1, 20000, nullptr);
  Command1_.SetText(L"单击停止");
  runFirstLine_ = List1_.Count();
  for (const std::wstring& key : watchitems_) {
    List1_.AddString(L" 电脑标识：" + cpid_.Text() + L"  ，状态：" + L"监控中  " + L"，端口：" + key);
  }
  PostUrl(urls_.MonitoringOn(wxid_, cpid_.Text(), pwd_.Text()));
  pwd_.Enable(false);
  txtwxid_.Enable(false);
}

void frmMain::StopMonitoring() {
  k_ = 0;
  KillTimer(hWnd_, kTimer1);
  Command1_.SetText(L"单击开始");
  pwd_.Enable(true);
  txtwxid_.Enable(true);
  const std::wstring reply = PostUrl(urls_.MonitoringOff(wxid_, cpid_.Text(), pwd_.Text()));
  Text2_.SetText(Text2_.Text() + L"\r\n" + reply);
}
