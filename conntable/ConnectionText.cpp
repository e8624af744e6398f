#include "ConnectionText.h"

#include <cstring>

namespace {

// to_wstring goes through the C library's formatted printing, which costs
// more than the rest of a row's texts together.
void AppendDecimal(std::wstring& text, uint32_t value) {
  wchar_t digits[10];
  int count = 0;
  do {
    digits[count++] = static_cast<wchar_t>(L'0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (count > 0) text += digits[--count];
}

std::wstring Decimal(uint32_t value) {
  std::wstring text;
  AppendDecimal(text, value);
  return text;
}

// 127.0.0.1 reads as "localhost"; other loopback addresses keep their digits.
std::wstring ShownAddress(uint32_t address) {
  std::wstring text = AddressText(address);
  return text == L"127.0.0.1" ? L"localhost" : text;
}

}  // namespace

uint16_t PortNumber(uint32_t field) {
  unsigned char b[4];
  std::memcpy(b, &field, 4);
  return static_cast<uint16_t>((b[0] << 8) | b[1]);
}

std::wstring AddressText(uint32_t address) {
  unsigned char b[4];
  std::memcpy(b, &address, 4);
  std::wstring text;
  text.reserve(15);  // 255.255.255.255
  for (int i = 0; i < 4; ++i) {
    if (i > 0) text += L'.';
    AppendDecimal(text, b[i]);
  }
  return text;
}

std::wstring TextAfterLast(const std::wstring& text, const std::wstring& separator) {
  if (separator.empty()) return {};
  const size_t at = text.rfind(separator);
  return at == std::wstring::npos ? std::wstring() : text.substr(at + separator.size());
}

bool IsShown(const TcpRow& row) {
  if (row.pid == 0) return false;
  return PortNumber(row.localPort) != 0 || row.remoteAddr != 0 || PortNumber(row.remotePort) != 0;
}

std::vector<TcpRow> ShownRows(const std::vector<unsigned char>& table) {
  std::vector<TcpRow> rows = TableRows(table);
  std::erase_if(rows, [](const TcpRow& row) { return !IsShown(row); });
  return rows;
}

ConnectionTexts RowTexts(const TcpRow& row, const std::wstring& processName) {
  return {Decimal(row.pid),
          processName,
          std::wstring(),
          ShownAddress(row.localAddr),
          Decimal(PortNumber(row.localPort)),
          ShownAddress(row.remoteAddr),
          Decimal(PortNumber(row.remotePort)),
          std::wstring()};
}
