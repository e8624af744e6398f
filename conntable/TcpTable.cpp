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

template <typename Row>
std::vector<Row> Rows(const std::vector<unsigned char>& table) {
  if (table.size() < kCountBytes) return {};
  uint32_t count = 0;
  std::memcpy(&count, table.data(), kCountBytes);
  const size_t fit = (table.size() - kCountBytes) / sizeof(Row);
  std::vector<Row> rows(count < fit ? count : fit);
  if (!rows.empty()) std::memcpy(rows.data(), table.data() + kCountBytes, rows.size() * sizeof(Row));
  return rows;
}

template <typename Row>
std::vector<unsigned char> Bytes(const std::vector<Row>& rows) {
  std::vector<unsigned char> table(kCountBytes + rows.size() * sizeof(Row));
  const uint32_t count = static_cast<uint32_t>(rows.size());
  std::memcpy(table.data(), &count, kCountBytes);
  if (!rows.empty()) std::memcpy(table.data() + kCountBytes, rows.data(), rows.size() * sizeof(Row));
  return table;
}

// Negative, zero or positive as a is below, equal to or above b, the 16 bytes
// read as one big-endian number.
int CompareAddresses(const uint8_t (&a)[16], const uint8_t (&b)[16]) {
  return std::memcmp(a, b, 16);
}

}  // namespace

std::vector<TcpRow> TableRows(const std::vector<unsigned char>& table) {
  return Rows<TcpRow>(table);
}

std::vector<Tcp6Row> Table6Rows(const std::vector<unsigned char>& table) {
  return Rows<Tcp6Row>(table);
}

std::vector<unsigned char> TableBytes(const std::vector<TcpRow>& rows) {
  return Bytes(rows);
}

std::vector<unsigned char> Table6Bytes(const std::vector<Tcp6Row>& rows) {
  return Bytes(rows);
}

bool SystemOrder(const TcpRow& a, const TcpRow& b) {
  return std::make_tuple(AddressNumber(a.localAddr), PortNumber(a.localPort), AddressNumber(a.remoteAddr),
                         PortNumber(a.remotePort)) <
         std::make_tuple(AddressNumber(b.localAddr), PortNumber(b.localPort), AddressNumber(b.remoteAddr),
                         PortNumber(b.remotePort));
}

bool System6Order(const Tcp6Row& a, const Tcp6Row& b) {
  if (const int local = CompareAddresses(a.localAddr, b.localAddr); local != 0) return local < 0;
  if (PortNumber(a.localPort) != PortNumber(b.localPort)) return PortNumber(a.localPort) < PortNumber(b.localPort);
  if (const int remote = CompareAddresses(a.remoteAddr, b.remoteAddr); remote != 0) return remote < 0;
  return PortNumber(a.remotePort) < PortNumber(b.remotePort);
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
