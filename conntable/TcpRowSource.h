#pragma once

#include <memory>
#include <string>
#include <vector>

// One IPv4 TCP table snapshot source: the system's (IP Helper) or, under Wine,
// /proc; tests and benchmarks feed their own.
class TcpRowSource {
 public:
  virtual ~TcpRowSource() = default;
  // The whole table as the system lays it out: a 32-bit entry count, then
  // 24-byte MIB_TCPROW_OWNER_PID rows, sorted. False on failure.
  virtual bool Fetch(std::vector<unsigned char>& table) = 0;
  // The path of the process's executable; empty when unknown.
  virtual std::wstring ProcessPath(unsigned long pid) = 0;
};

// The /proc source under Wine when Z:\proc\net\tcp is readable, else IP Helper.
std::unique_ptr<TcpRowSource> SystemRowSource();
