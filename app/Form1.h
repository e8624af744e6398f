#pragma once

#include <string>

#include "Controls.h"
#include "Form.h"
#include "ServiceUrls.h"
#include "ServiceWorker.h"

// "关于": the tips that the reminder service supplies.
class Form1 : public Form {
 public:
  Form1(ServiceWorker& worker, const ServiceUrls& urls) : worker_(worker), urls_(urls) {}
  const CWindow& Text1() const { return Text1_; }

 private:
  const wchar_t* Caption() const override { return L"关于"; }
  SIZE ClientTwips() const override { return {4890, 3195}; }
  void Load() override;

  ServiceWorker& worker_;
  const ServiceUrls& urls_;
  CWindow Text1_;
};

// The service writes line breaks in its tips as the literal text "chr(10)".
std::wstring TipsText(const std::wstring& reply);
