#include "TcpTable.h"

#include <cstring>
#include <tuple>

#include "ConnectionText.h"

namespace {

constexpr size_t kCountBytes = 4;

// The field's bytes read in memory order as one big-endian number, so that
// comparing two of them orders the addresses 0.0.0.0 < 10.0.0.1 < 127.0.0.1.
uint32_t AddressNumber(uint32_t field) {
  unsigned char b[4];
  std::memcpy(b, &field, 4);
  return (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | b[3];
}

}  // namespace

std::vector<TcpRow> TableRows(const std::vector<unsigned char>& table) {
  if (table.size() < kCountBytes) return {};
  uint32_t count = 0;
  std::memcpy(&count, table.data(), kCountBytes);
  const size_t fit = (table.size() - kCountBytes) / sizeof(TcpRow);
  std::vector<TcpRow> rows(count < fit ? count : fit);
  if (!rows.empty()) std::memcpy(rows.data(), table.data() + kCountBytes, rows.size() * sizeof(TcpRow));
  return rows;
}

std::vector<unsigned char> TableBytes(const std::vector<TcpRow>& rows) {
  std::vector<unsigned char> table(kCountBytes + rows.size() * sizeof(TcpRow));
  const uint32_t count = static_cast<uint32_t>(rows.size());
  std::memcpy(table.data(), &count, kCountBytes);
  if (!rows.empty()) std::memcpy(table.data() + kCountBytes, rows.data(), rows.size() * sizeof(TcpRow));
  return table;
}

bool SystemOrder(const TcpRow& a, const TcpRow& b) {
  return std::make_tuple(AddressNumber(a.localAddr), PortNumber(a.localPort), AddressNumber(a.remoteAddr),
                         PortNumber(a.remotePort)) <
         std::make_tuple(AddressNumber(b.localAddr), PortNumber(b.localPort), AddressNumber(b.remoteAddr),
                         PortNumber(b.remotePort));
}

uint32_t PortField(uint16_t port) {
  const unsigned char b[4] = {static_cast<unsigned char>(port >> 8), static_cast<unsigned char>(port & 0xFF), 0, 0};
  uint32_t field;
  std::memcpy(&field, b, 4);
  return field;
}

uint32_t AddressField(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
  const unsigned char bytes[4] = {a, b, c, d};
  uint32_t field;
  std::memcpy(&field, bytes, 4);
  return field;
}
