#pragma once

// The program's history file as the user finds it: %APPDATA%\Lumora\history.log.
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

inline std::wstring HistoryPath() {
  wchar_t* appData = nullptr;
  if (FAILED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &appData))) return {};
  const std::wstring path = std::wstring(appData) + L"\\Lumora\\history.log";
  CoTaskMemFree(appData);
  return path;
}

// Each line's tab-separated fields, decoded from UTF-8.
inline std::vector<std::vector<std::wstring>> HistoryLines() {
  std::ifstream file(std::filesystem::path(HistoryPath()), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const int chars = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring text(chars, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), chars);
  std::vector<std::vector<std::wstring>> lines;
  size_t from = 0;
  for (size_t end; (end = text.find(L'\n', from)) != std::wstring::npos; from = end + 1) {
    std::vector<std::wstring> fields;
    const std::wstring line = text.substr(from, end - from);
    size_t start = 0;
    for (size_t tab; (tab = line.find(L'\t', start)) != std::wstring::npos; start = tab + 1) {
      fields.push_back(line.substr(start, tab - start));
    }
    fields.push_back(line.substr(start));
    lines.push_back(std::move(fields));
  }
  return lines;
}

// The time of the first line with this event and watch entry; empty when none.
inline std::wstring HistoryTime(const std::vector<std::vector<std::wstring>>& lines, const std::wstring& event,
                                const std::wstring& entry) {
  const auto found = std::find_if(lines.begin(), lines.end(), [&](const std::vector<std::wstring>& fields) {
    return fields.size() == 5 && fields[1] == event && fields[3] == entry;
  });
  return found == lines.end() ? L"" : (*found)[0];
}
