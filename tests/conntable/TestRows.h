#pragma once

#include <cstdint>

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
