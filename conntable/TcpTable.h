#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// One row of the IPv4 TCP table with its owning process, field for field as
// MIB_TCPROW_OWNER_PID holds it: addresses and ports keep their bytes in
// network order, so they read back as the system wrote them.
struct TcpRow {
  uint32_t state = 0;
  uint32_t localAddr = 0;
  uint32_t localPort = 0;
  uint32_t remoteAddr = 0;
  uint32_t remotePort = 0;
  uint32_t pid = 0;
};
static_assert(sizeof(TcpRow) == 24, "a table row is 24 bytes");

// One row of the IPv6 TCP table with its owning process, as
// MIB_TCP6ROW_OWNER_PID holds it: addresses as 16 bytes in network order, each
// with the scope (interface) id it belongs to, ports as in TcpRow.
struct Tcp6Row {
  uint8_t localAddr[16] = {};
  uint32_t localScopeId = 0;
  uint32_t localPort = 0;
  uint8_t remoteAddr[16] = {};
  uint32_t remoteScopeId = 0;
  uint32_t remotePort = 0;
  uint32_t state = 0;
  uint32_t pid = 0;
};
static_assert(sizeof(Tcp6Row) == 56, "an IPv6 table row is 56 bytes");

// The rows of a table buffer (a 32-bit count, then the rows): as many as its
// leading count says, but never more than the buffer holds.
std::vector<TcpRow> TableRows(const std::vector<unsigned char>& table);
std::vector<Tcp6Row> Table6Rows(const std::vector<unsigned char>& table);

// A table buffer holding the rows in the given order.
std::vector<unsigned char> TableBytes(const std::vector<TcpRow>& rows);
std::vector<unsigned char> Table6Bytes(const std::vector<Tcp6Row>& rows);

// The order of the system's sorted table: local address, local port, remote
// address, remote port, each compared as a number.
bool SystemOrder(const TcpRow& a, const TcpRow& b);
bool System6Order(const Tcp6Row& a, const Tcp6Row& b);

// The 32-bit port field for a port number: its two bytes in network order
// first, zeros after.
uint32_t PortField(uint16_t port);

// The 32-bit address field for the four octets in written order.
uint32_t AddressField(uint8_t a, uint8_t b, uint8_t c, uint8_t d);
