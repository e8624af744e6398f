#include "ConnectionText.h"

#include <cstring>

namespace {

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
  return std::to_wstring(b[0]) + L'.' + std::to_wstring(b[1]) + L'.' + std::to_wstring(b[2]) + L'.' +
         std::to_wstring(b[3]);
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
  return {std::to_wstring(row.pid),
          processName,
          std::wstring(),
          ShownAddress(row.localAddr),
          std::to_wstring(PortNumber(row.localPort)),
          ShownAddress(row.remoteAddr),
          std::to_wstring(PortNumber(row.remotePort)),
          std::wstring()};
}
