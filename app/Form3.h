#pragma once

#include "Controls.h"
#include "Form.h"

// "提醒设置": the reminder channels; only the local ring can be switched.
class Form3 : public Form {
 public:
  explicit Form3(int& localring) : localring_(localring) {}
  const CButton& Check2() const { return Check2_; }

 private:
  const wchar_t* Caption() const override { return L"提醒设置"; }
  SIZE ClientTwips() const override { return {4035, 1950}; }
  void Load() override;
  void OnCommand(int id, int code) override;

  int& localring_;
  CButton Check2_;
};
