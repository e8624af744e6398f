#include "ConnectionText.h"

#include <cstring>
#include <iterator>

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

void AppendHex(std::wstring& text, uint32_t value) {
  constexpr wchar_t kDigits[] = L"0123456789abcdef";
  wchar_t digits[8];
  int count = 0;
  do {
    digits[count++] = kDigits[value & 0xF];
    value >>= 4;
  } while (value != 0);
  while (count > 0) text += digits[--count];
}

std::wstring Decimal(uint32_t value) {
  std::wstring text;
  AppendDecimal(text, value);
  return text;
}

// 127.0.0.1 reads as "localhost"; other loopback addresses keep their digits.
std::wstring Shown(std::wstring text) {
  if (text == L"127.0.0.1") return L"localhost";
  return text;
}

bool IsMapped(const uint8_t (&address)[16]) {
  constexpr uint8_t kPrefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
  return std::memcmp(address, kPrefix, sizeof(kPrefix)) == 0;
}

bool IsZero(const uint8_t (&address)[16]) {
  constexpr uint8_t kZero[16] = {};
  return std::memcmp(address, kZero, sizeof(kZero)) == 0;
}

// The first of the longest runs of two or more zero groups, which "::" stands
// for; a length of 0 when there is none.
void LongestZeroRun(const uint16_t (&groups)[8], int& start, int& length) {
  start = 0;
  length = 0;
  for (int i = 0; i < 8;) {
    int end = i;
    while (end < 8 && groups[end] == 0) ++end;
    if (end - i >= 2 && end - i > length) {
      start = i;
      length = end - i;
    }
    i = end == i ? i + 1 : end;
  }
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

std::wstring Address6Text(const uint8_t (&address)[16], uint32_t scopeId) {
  if (IsMapped(address)) {
    uint32_t v4;
    std::memcpy(&v4, address + 12, 4);
    return AddressText(v4);
  }
  uint16_t groups[8];
  for (int i = 0; i < 8; ++i) groups[i] = static_cast<uint16_t>((address[2 * i] << 8) | address[2 * i + 1]);
  int runStart = 0, runLength = 0;
  LongestZeroRun(groups, runStart, runLength);
  std::wstring text;
  text.reserve(41);
  for (int i = 0; i < 8; ++i) {
    if (runLength > 0 && i == runStart) {
      text += L"::";
      i += runLength - 1;
      continue;
    }
    if (i > 0 && !(runLength > 0 && i == runStart + runLength)) text += L':';
    AppendHex(text, groups[i]);
  }
  if (scopeId != 0) {
    text += L'%';
    AppendDecimal(text, scopeId);
  }
  return text;
}

std::wstring StateText(uint32_t state) {
  // Indexed by the table's state number: 1 closed ... 12 delete-tcb.
  static const wchar_t* const kStates[] = {L"",         L"已关闭",   L"监听",     L"同步已发送", L"同步已收到",
                                           L"已建立",   L"终止等待1", L"终止等待2", L"关闭等待",   L"同时关闭",
                                           L"最后确认", L"时间等待", L"删除"};
  return state < std::size(kStates) ? kStates[state] : L"";
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

bool IsShown(const Tcp6Row& row) {
  if (row.pid == 0) return false;
  return PortNumber(row.localPort) != 0 || !IsZero(row.remoteAddr) || PortNumber(row.remotePort) != 0;
}

std::vector<TcpRow> ShownRows(const std::vector<unsigned char>& table) {
  std::vector<TcpRow> rows = TableRows(table);
  std::erase_if(rows, [](const TcpRow& row) { return !IsShown(row); });
  return rows;
}

std::vector<Tcp6Row> Shown6Rows(const std::vector<unsigned char>& table) {
  std::vector<Tcp6Row> rows = Table6Rows(table);
  std::erase_if(rows, [](const Tcp6Row& row) { return !IsShown(row); });
  return rows;
}

ConnectionTexts RowTexts(const TcpRow& row, const std::wstring& processName) {
  return {Decimal(row.pid),
          processName,
          StateText(row.state),
          Shown(AddressText(row.localAddr)),
          Decimal(PortNumber(row.localPort)),
          Shown(AddressText(row.remoteAddr)),
          Decimal(PortNumber(row.remotePort)),
          std::wstring()};
}

ConnectionTexts RowTexts(const Tcp6Row& row, const std::wstring& processName) {
  return {Decimal(row.pid),
          processName,
          StateText(row.state),
          Shown(Address6Text(row.localAddr, row.localScopeId)),
          Decimal(PortNumber(row.localPort)),
          Shown(Address6Text(row.remoteAddr, row.remoteScopeId)),
          Decimal(PortNumber(row.remotePort)),
          std::wstring()};
}
