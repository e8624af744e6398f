#include "Settings.h"

#include <windows.h>
#include <shlobj.h>

namespace {

constexpr wchar_t kSection[] = L"Lumora";

// The profile functions write UTF-16 only to a file that already starts with
// its byte-order mark; otherwise they would squeeze text through a code page.
bool EnsureUnicodeFile(const std::wstring& path) {
  if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  const std::wstring folder = path.substr(0, path.find_last_of(L'\\'));
  SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_EXISTS;
  const unsigned char bom[] = {0xFF, 0xFE};
  DWORD written = 0;
  const bool ok = WriteFile(file, bom, sizeof bom, &written, nullptr) && written == sizeof bom;
  CloseHandle(file);
  return ok;
}

}  // namespace

Settings Settings::ForUser() {
  wchar_t* appData = nullptr;
  if (FAILED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &appData))) return Settings();
  std::wstring path = std::wstring(appData) + L"\\Lumora\\Lumora.ini";
  CoTaskMemFree(appData);
  return Settings(std::move(path));
}

std::wstring Settings::Read(const wchar_t* name) const {
  if (path_.empty()) return {};
  std::wstring value(256, L'\0');
  for (;;) {
    const DWORD n = GetPrivateProfileStringW(kSection, name, L"", value.data(), static_cast<DWORD>(value.size()),
                                             path_.c_str());
    if (n + 1 < value.size()) {
      value.resize(n);
      return value;
    }
    value.resize(value.size() * 2);
  }
}

bool Settings::Write(const wchar_t* name, const std::wstring& value) const {
  if (path_.empty() || !EnsureUnicodeFile(path_)) return false;
  return WritePrivateProfileStringW(kSection, name, value.c_str(), path_.c_str()) != FALSE;
}
