#include "TableText.h"

#include <windows.h>

namespace {

void AppendTabLine(std::wstring& out, const std::vector<std::wstring>& texts) {
  for (size_t i = 0; i < texts.size(); ++i) {
    if (i > 0) out += L'\t';
    for (const wchar_t c : texts[i]) out += (c == L'\t' || c == L'\r' || c == L'\n') ? L' ' : c;
  }
  out += L"\r\n";
}

void AppendCsvLine(std::wstring& out, const std::vector<std::wstring>& texts) {
  for (size_t i = 0; i < texts.size(); ++i) {
    if (i > 0) out += L',';
    const std::wstring& text = texts[i];
    if (text.find_first_of(L",\"\r\n") == std::wstring::npos) {
      out += text;
      continue;
    }
    out += L'"';
    for (const wchar_t c : text) {
      if (c == L'"') out += L'"';
      out += c;
    }
    out += L'"';
  }
  out += L"\r\n";
}

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                       nullptr, nullptr);
  std::string bytes(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
  return bytes;
}

}  // namespace

std::wstring TabSeparatedText(const TextTable& table) {
  std::wstring out;
  AppendTabLine(out, table.columns);
  for (const auto& row : table.rows) AppendTabLine(out, row);
  return out;
}

std::string CsvBytes(const TextTable& table) {
  std::wstring text;
  AppendCsvLine(text, table.columns);
  for (const auto& row : table.rows) AppendCsvLine(text, row);
  return "\xEF\xBB\xBF" + Utf8(text);
}
