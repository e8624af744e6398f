#include "WineProgramName.h"

#include <windows.h>

#include <algorithm>

#include "ConnectionText.h"

bool IsWineLoader(const std::wstring& path) {
  const std::wstring name = TextAfterLast(path, L"\\");
  return name == L"wine" || name == L"wine64" || name == L"wine-preloader" || name == L"wine64-preloader";
}

std::wstring WindowsProgramPath(const std::string& commandLine) {
  std::string first = commandLine.substr(0, commandLine.find('\0'));
  // A program started from a Linux shell keeps the path it was given there.
  std::replace(first.begin(), first.end(), '/', '\\');
  // A bare name (Wine's own start.exe) has no path for the process column to
  // take the file name from.
  if (first.find('\\') == std::string::npos) return {};
  const int chars = MultiByteToWideChar(CP_UTF8, 0, first.data(), static_cast<int>(first.size()), nullptr, 0);
  std::wstring path(chars, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, first.data(), static_cast<int>(first.size()), path.data(), chars);
  return path;
}
