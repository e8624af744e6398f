#pragma once

#include <string>

#include "Settings.h"

// The reminder service's address: the one the user chose in "提醒设置",
// remembered as Service, or the build setting until they chose one.
class ServiceSetting {
 public:
  ServiceSetting(Settings settings, std::wstring buildDefault);

  // A value written into the file by hand is used as it stands; the client
  // refuses to send a code over it in clear text.
  std::wstring Current() const;
  // Stores an address that passes the rules; otherwise stores nothing and
  // returns the message that says why.
  std::wstring Store(const std::wstring& written);

 private:
  Settings settings_;
  std::wstring default_;
  std::wstring chosen_;  // this run's choice, for a store without a file
};
