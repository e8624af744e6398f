#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "TcpTable.h"

// One line of /proc/net/tcp: the row as the system's table would hold it (no
// owning process yet) and the inode of the socket, 0 when no descriptor refers
// to it any more (time-wait and orphaned sockets).
struct ProcTcpEntry {
  TcpRow row;
  uint64_t inode = 0;
};

// One line of /proc/net/tcp6 likewise. Linux does not list scope ids there.
struct ProcTcp6Entry {
  Tcp6Row row;
  uint64_t inode = 0;
};

// The entries of /proc/net/tcp (or tcp6) in file order; lines that do not
// parse (the heading among them) are left out.
std::vector<ProcTcpEntry> ParseProcNetTcp(const std::string& text);
std::vector<ProcTcp6Entry> ParseProcNetTcp6(const std::string& text);

// Whether the text of /proc/net/tcp (or tcp6) that gave these many entries is
// the whole file: its heading (when it has one) and one line per entry, the
// last one ending its line. A read cut short leaves a part of a line behind; empty text has no
// table to cut.
bool IsWholeProcTable(const std::string& text, size_t entries);

// What /proc/<pid>/fdinfo/<fd> says about a descriptor: the inode it refers to
// and the mount that inode lives on.
struct FdInfo {
  uint64_t inode = 0;
  uint64_t mountId = 0;
};

// False when the text lacks the "ino:" or "mnt_id:" line (kernels before 5.14).
bool ParseFdInfo(const std::string& text, FdInfo& info);

// The mount ids listed in /proc/<pid>/mountinfo: the mounts a file can live
// on. Sockets live on the kernel's internal socket mount, which is never listed.
std::unordered_set<uint64_t> ParseMountIds(const std::string& text);
