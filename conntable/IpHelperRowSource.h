#pragma once

#include <functional>

#include "TcpRowSource.h"

// The tables from the IP Helper API, process paths from the process itself.
class IpHelperRowSource : public TcpRowSource {
 public:
  // Asks for the table into buffer, which holds *size bytes; returns a Win32
  // error code and, when the buffer is too small, the size needed in *size.
  using TableCall = std::function<unsigned long(void* buffer, unsigned long* size)>;

  IpHelperRowSource();
  // call asks for the IPv4 table, call6 for the IPv6 one.
  IpHelperRowSource(TableCall call, TableCall call6);

  bool Fetch(std::vector<unsigned char>& table) override;
  bool Fetch6(std::vector<unsigned char>& table) override;
  std::wstring ProcessPath(unsigned long pid) override;

 private:
  TableCall call_;
  TableCall call6_;
};
