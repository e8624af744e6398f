#pragma once

#include "Controls.h"
#include "Form.h"
#include "ServiceSetting.h"
#include "UserPrompts.h"

// "提醒设置": the reminder channels, of which only the local ring can be
// switched, and the reminder service's address.
class Form3 : public Form {
 public:
  Form3(int& localring, ServiceSetting& service, UserPrompts& prompts)
      : localring_(localring), service_(service), prompts_(prompts) {}
  const CButton& Check2() const { return Check2_; }
  const CWindow& txtService() const { return txtService_; }
  // The press of "保存" beside the address.
  void cmdService_Click();

 private:
  const wchar_t* Caption() const override { return L"提醒设置"; }
  SIZE ClientTwips() const override { return {4035, 2640}; }
  void Load() override;
  void OnCommand(int id, int code) override;

  int& localring_;
  ServiceSetting& service_;
  UserPrompts& prompts_;
  CButton Check2_;
  CWindow txtService_;
};
