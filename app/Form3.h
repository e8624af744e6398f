#pragma once

#include "Controls.h"
#include "Form.h"
#include "Settings.h"

// "提醒设置": the reminder channels, of which only the local ring can be
// switched, and whether minimising hides the window in the notification area.
class Form3 : public Form {
 public:
  Form3(int& localring, bool& minimizeToTray, const Settings& settings)
      : localring_(localring), minimizeToTray_(minimizeToTray), settings_(settings) {}
  const CButton& Check2() const { return Check2_; }
  const CButton& Check5() const { return Check5_; }

  // The remembered choice, "1" for on.
  static constexpr wchar_t kMinimizeToTrayName[] = L"MinimizeToTray";

 private:
  const wchar_t* Caption() const override { return L"提醒设置"; }
  SIZE ClientTwips() const override { return {4035, 2310}; }
  void Load() override;
  void OnCommand(int id, int code) override;

  int& localring_;
  bool& minimizeToTray_;
  const Settings& settings_;
  CButton Check2_;
  CButton Check5_;
};
