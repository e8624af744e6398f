#include "Form3.h"

namespace {

enum { kCheck1 = 1, kCheck2, kCheck3, kCheck4 };

}  // namespace

void Form3::Load() {
  const DWORD box = BS_AUTOCHECKBOX | WS_TABSTOP;
  CButton check1, check3, check4;
  check1.Attach(CreateChild(L"BUTTON", L"邮件提醒", box | WS_DISABLED, 360, 240, 1695, 255, kCheck1));
  Check2_.Attach(CreateChild(L"BUTTON", L"本地铃声提醒", box, 360, 600, 1815, 255, kCheck2));
  check3.Attach(CreateChild(L"BUTTON", L"手机短信提醒（敬请期待）", box | WS_DISABLED, 360, 960, 2535, 255, kCheck3));
  check4.Attach(CreateChild(L"BUTTON", L"微信提醒（敬请期待）", box | WS_DISABLED, 360, 1320, 2415, 375, kCheck4));
  check1.SetChecked(true);
  Check2_.SetChecked(localring_ == 1);
}

void Form3::OnCommand(int id, int code) {
  if (id == kCheck2 && code == BN_CLICKED) localring_ = Check2_.Checked() ? 1 : 0;
}
