#pragma once

#include <memory>

#include "ProcFs.h"
#include "SocketOwners.h"
#include "TcpRowSource.h"

// Under Wine the IP Helper table names no owning process, so the rows come
// from Linux's /proc instead: /proc/net/tcp for the connections, the process
// descriptors for their owners (Linux pids, which a user can act on). The
// IPv4 and IPv6 tables each keep what they learnt about their own sockets, so
// that fetching one does not make the other forget.
class WineProcRowSource : public TcpRowSource {
 public:
  explicit WineProcRowSource(std::unique_ptr<ProcFs> proc);

  bool Fetch(std::vector<unsigned char>& table) override;
  bool Fetch6(std::vector<unsigned char>& table) override;
  // Windows programs are named by their Windows path, not by the Wine loader
  // that runs them.
  std::wstring ProcessPath(unsigned long pid) override;

 private:
  std::unique_ptr<ProcFs> proc_;
  SocketOwners owners_;
  SocketOwners owners6_;
};
