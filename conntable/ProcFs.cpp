#include "ProcFs.h"

#include <windows.h>

#include "UniqueHandle.h"

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kPathChars = 32768;

class DriveProc : public ProcFs {
 public:
  bool Read(const std::wstring& path, std::string& bytes) override {
    UniqueHandle file = OwnHandle(
        CreateFileW(Full(path).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return false;
    // /proc files report a size of 0: read until the end instead. A read
    // that fails on the way leaves no content, never a part of it.
    bytes.clear();
    char chunk[16384];
    for (;;) {
      DWORD got = 0;
      if (!ReadFile(file.get(), chunk, sizeof(chunk), &got, nullptr)) return false;
      if (got == 0) return true;
      bytes.append(chunk, got);
    }
  }

  std::vector<std::wstring> List(const std::wstring& dir) override {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry;
    UniqueFind find = OwnFind(FindFirstFileExW((Full(dir) + L"\\*").c_str(), FindExInfoBasic, &entry,
                                               FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!find) return names;
    do {
      const std::wstring name = entry.cFileName;
      if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(find.get(), &entry));
    return names;
  }

  // Opening the exe link opens the executable itself; Wine names the open file
  // by its real path.
  std::wstring ExecutablePath(unsigned long pid) override {
    const std::wstring link = Full(std::to_wstring(pid) + L"\\exe");
    UniqueHandle file = OwnHandle(CreateFileW(link.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return {};
    std::wstring path(kPathChars, L'\0');
    const DWORD chars = GetFinalPathNameByHandleW(file.get(), path.data(), kPathChars, FILE_NAME_NORMALIZED);
    if (chars == 0 || chars >= kPathChars) return {};
    path.resize(chars);
    if (path.starts_with(L"\\\\?\\")) path.erase(0, 4);
    return path;
  }

 private:
  static std::wstring Full(const std::wstring& path) { return L"Z:\\proc\\" + path; }
};

}  // namespace

std::unique_ptr<ProcFs> DriveProcFs() {
  return std::make_unique<DriveProc>();
}
