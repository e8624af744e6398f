#include "Form3.h"

namespace {

enum { kCheck1 = 1, kCheck2, kCheck3, kCheck4, kLblService, kTxtService, kCmdService, kCheck5 };

}  // namespace

void Form3::Load() {
  const DWORD box = BS_AUTOCHECKBOX | WS_TABSTOP;
  CButton check1, check3, check4;
  check1.Attach(CreateChild(L"BUTTON", L"邮件提醒", box | WS_DISABLED, 360, 240, 1695, 255, kCheck1));
  Check2_.Attach(CreateChild(L"BUTTON", L"本地铃声提醒", box, 360, 600, 1815, 255, kCheck2));
  check3.Attach(CreateChild(L"BUTTON", L"手机短信提醒（敬请期待）", box | WS_DISABLED, 360, 960, 2535, 255, kCheck3));
  check4.Attach(CreateChild(L"BUTTON", L"微信提醒（敬请期待）", box | WS_DISABLED, 360, 1320, 2415, 375, kCheck4));
  CreateChild(L"STATIC", L"服务地址（下次开始监控时生效）：", 0, 360, 1800, 3435, 255, kLblService);
  txtService_.Attach(CreateChild(L"EDIT", service_.Current().c_str(), ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 360,
                                 2100, 2775, 300, kTxtService));
  CreateChild(L"BUTTON", L"保存", WS_TABSTOP, 3240, 2085, 555, 330, kCmdService);
  Check5_.Attach(CreateChild(L"BUTTON", L"最小化到通知区域", box, 360, 2580, 2535, 255, kCheck5));
  check1.SetChecked(true);
  Check2_.SetChecked(localring_ == 1);
  Check5_.SetChecked(minimizeToTray_);
}

void Form3::OnCommand(int id, int code) {
  if (code != BN_CLICKED) return;
  if (id == kCheck2) localring_ = Check2_.Checked() ? 1 : 0;
  if (id == kCmdService) cmdService_Click();
  if (id == kCheck5) {
    minimizeToTray_ = Check5_.Checked();
    settings_.Write(kMinimizeToTrayName, minimizeToTray_ ? L"1" : L"0");
  }
}

// A refused address is neither stored nor used; the box keeps what was typed
// so that the user can correct it.
void Form3::cmdService_Click() {
  const std::wstring refusal = service_.Store(txtService_.Text());
  if (!refusal.empty()) {
    prompts_.MsgBox(hWnd(), refusal, L"提示", MB_OK);
    return;
  }
  txtService_.SetText(service_.Current());
  prompts_.MsgBox(hWnd(), L"服务地址已保存，下次开始监控时生效。", L"提示", MB_OK);
}
