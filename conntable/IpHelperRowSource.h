#pragma once

#include <functional>

#include "TcpRowSource.h"

// The table from the IP Helper API, process paths from the process itself.
class IpHelperRowSource : public TcpRowSource {
 public:
  // Asks for the table into buffer, which holds *size bytes; returns a Win32
  // error code and, when the buffer is too small, the size needed in *size.
  using TableCall = std::function<unsigned long(void* buffer, unsigned long* size)>;

  IpHelperRowSource();
  explicit IpHelperRowSource(TableCall call);

  bool Fetch(std::vector<unsigned char>& table) override;
  std::wstring ProcessPath(unsigned long pid) override;

 private:
  TableCall call_;
};
