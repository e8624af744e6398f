#pragma once

// N synthetic connections of 50 processes, a quarter of them IPv6, for the
// benchmarks of the connection list.
#include <windows.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "TcpRowSource.h"
#include "TcpTable.h"

namespace bench {

constexpr int kProcesses = 50;

inline uint32_t Pid(int row) {
  return 1000 + 4 * static_cast<uint32_t>(row % kProcesses);
}

// Every fourth of the N rows is IPv6.
inline bool IsIPv6(int row) {
  return row % 4 == 3;
}

// N established connections from 10.x.y.z or 2001:db8::x:y to public servers,
// sorted like the system's tables; lookups counts the process paths asked for.
class SyntheticSource : public TcpRowSource {
 public:
  explicit SyntheticSource(int rows) : rows_(rows) {}

  bool Fetch(std::vector<unsigned char>& table) override {
    std::vector<TcpRow> rows;
    for (int i = 0; i < rows_; ++i) {
      if (IsIPv6(i)) continue;
      TcpRow row;
      row.state = 5;
      row.localAddr = AddressField(10, static_cast<uint8_t>(i >> 16), static_cast<uint8_t>(i >> 8),
                                   static_cast<uint8_t>(i));
      row.localPort = PortField(static_cast<uint16_t>(1024 + i % 60000));
      row.remoteAddr = AddressField(93, 184, static_cast<uint8_t>(i % 7), static_cast<uint8_t>(i % 251));
      row.remotePort = PortField(i % 3 == 0 ? 80 : 443);
      row.pid = Pid(i);
      rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end(), SystemOrder);
    table = TableBytes(rows);
    return true;
  }

  bool Fetch6(std::vector<unsigned char>& table) override {
    std::vector<Tcp6Row> rows;
    for (int i = 0; i < rows_; ++i) {
      if (!IsIPv6(i)) continue;
      Tcp6Row row;
      const uint8_t local[16] = {0x20, 0x01, 0x0D, 0xB8, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                 static_cast<uint8_t>(i >> 16), static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i)};
      const uint8_t remote[16] = {0x26, 0x06, 0x28, 0x00, 0x02, 0x20, 0, 1, 0x2, 0x48, 0x18, 0x93,
                                  0x25, 0xC8, static_cast<uint8_t>(i % 7), static_cast<uint8_t>(i % 251)};
      std::copy(std::begin(local), std::end(local), row.localAddr);
      std::copy(std::begin(remote), std::end(remote), row.remoteAddr);
      row.state = 5;
      row.localPort = PortField(static_cast<uint16_t>(1024 + i % 60000));
      row.remotePort = PortField(443);
      row.pid = Pid(i);
      rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end(), System6Order);
    table = Table6Bytes(rows);
    return true;
  }

  std::wstring ProcessPath(unsigned long pid) override {
    ++lookups;
    return L"C:\\Program Files\\Vendor\\Suite\\app" + std::to_wstring(pid) + L".exe";
  }

  int lookups = 0;

 private:
  int rows_;
};

}  // namespace bench
