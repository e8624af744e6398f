#pragma once

#include <memory>
#include <string>
#include <vector>

// The TCP table snapshot source: the system's (IP Helper) or, under Wine,
// /proc; tests and benchmarks feed their own. Fetch, Fetch6 and then
// ProcessPath for the snapshot's model run on the snapshot's thread, one call
// at a time.
class TcpRowSource {
 public:
  virtual ~TcpRowSource() = default;
  // The whole table as the system lays it out: a 32-bit entry count, then
  // 24-byte MIB_TCPROW_OWNER_PID rows, sorted. False on failure, and when the
  // table could not be read whole: a partial table is never a snapshot.
  virtual bool Fetch(std::vector<unsigned char>& table) = 0;
  // The IPv6 table likewise: a 32-bit entry count, then 56-byte
  // MIB_TCP6ROW_OWNER_PID rows, sorted. A machine without IPv6 gives an empty
  // table; a source that knows no IPv6 gives an empty table too.
  virtual bool Fetch6(std::vector<unsigned char>& table) {
    table.assign(4, 0);
    return true;
  }
  // The path of the process's executable; empty when unknown.
  virtual std::wstring ProcessPath(unsigned long pid) = 0;
};

// The /proc source under Wine when Z:\proc\net\tcp is readable, else IP Helper.
std::unique_ptr<TcpRowSource> SystemRowSource();
