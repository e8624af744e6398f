#pragma once

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <initializer_list>

#include "TcpTable.h"

// A table row from readable parts; addresses as four octets in written order.
inline TcpRow MakeRow(uint32_t pid, const uint8_t (&local)[4], uint16_t localPort, const uint8_t (&remote)[4],
                      uint16_t remotePort, uint32_t state = 5) {
  TcpRow row;
  row.state = state;
  row.localAddr = AddressField(local[0], local[1], local[2], local[3]);
  row.localPort = PortField(localPort);
  row.remoteAddr = AddressField(remote[0], remote[1], remote[2], remote[3]);
  row.remotePort = PortField(remotePort);
  row.pid = pid;
  return row;
}

// An IPv6 address from its eight 16-bit groups in written order.
struct Address6 {
  uint8_t bytes[16] = {};
  Address6(std::initializer_list<uint16_t> groups) {
    int i = 0;
    for (const uint16_t group : groups) {
      bytes[i++] = static_cast<uint8_t>(group >> 8);
      bytes[i++] = static_cast<uint8_t>(group & 0xFF);
    }
  }
};

inline Tcp6Row MakeRow6(uint32_t pid, const Address6& local, uint16_t localPort, const Address6& remote,
                        uint16_t remotePort, uint32_t state = 5) {
  Tcp6Row row;
  std::copy(std::begin(local.bytes), std::end(local.bytes), row.localAddr);
  row.localPort = PortField(localPort);
  std::copy(std::begin(remote.bytes), std::end(remote.bytes), row.remoteAddr);
  row.remotePort = PortField(remotePort);
  row.state = state;
  row.pid = pid;
  return row;
}
