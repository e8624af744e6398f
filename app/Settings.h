#pragma once

#include <string>

// What the program remembers between runs, as named texts in one UTF-16 INI
// file. A store without a path remembers nothing (tests use that).
class Settings {
 public:
  Settings() = default;
  explicit Settings(std::wstring path) : path_(std::move(path)) {}
  // %APPDATA%\Lumora\Lumora.ini; its folder is made on the first write.
  static Settings ForUser();

  // Empty when the name was never written.
  std::wstring Read(const wchar_t* name) const;
  bool Write(const wchar_t* name, const std::wstring& value) const;
  const std::wstring& Path() const { return path_; }

 private:
  std::wstring path_;
};
