#pragma once

#include "Controls.h"
#include "Form.h"
#include "ServiceSetting.h"
#include "Settings.h"
#include "UserPrompts.h"

// "提醒设置": the reminder channels, of which only the local ring can be
// switched, the reminder service's address, and whether minimising hides the
// window in the notification area.
class Form3 : public Form {
 public:
  Form3(int& localring, ServiceSetting& service, UserPrompts& prompts, bool& minimizeToTray, const Settings& settings)
      : localring_(localring),
        service_(service),
        prompts_(prompts),
        minimizeToTray_(minimizeToTray),
        settings_(settings) {}
  const CButton& Check2() const { return Check2_; }
  const CWindow& txtService() const { return txtService_; }
  const CButton& Check5() const { return Check5_; }
  // The press of "保存" beside the address.
  void cmdService_Click();

  // The remembered choice, "1" for on.
  static constexpr wchar_t kMinimizeToTrayName[] = L"MinimizeToTray";

 private:
  const wchar_t* Caption() const override { return L"提醒设置"; }
  SIZE ClientTwips() const override { return {4035, 2970}; }
  void Load() override;
  void OnCommand(int id, int code) override;

  int& localring_;
  ServiceSetting& service_;
  UserPrompts& prompts_;
  bool& minimizeToTray_;
  const Settings& settings_;
  CButton Check2_;
  CWindow txtService_;
  CButton Check5_;
};
