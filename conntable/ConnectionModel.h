#pragma once

#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "ConnectionText.h"
#include "TcpRowSource.h"

// What tells one connection from another across snapshots: the owning
// process, the address family, and the local and remote address (with its
// scope id) and port. IPv4 addresses fill the first four bytes.
struct ConnectionId {
  uint32_t pid = 0;
  uint32_t family = 4;  // 4 or 6
  std::array<uint8_t, 16> localAddr{};
  uint32_t localScope = 0;
  uint32_t localPort = 0;
  std::array<uint8_t, 16> remoteAddr{};
  uint32_t remoteScope = 0;
  uint32_t remotePort = 0;

  auto operator<=>(const ConnectionId&) const = default;
};

ConnectionId IdOf(const TcpRow& row);
ConnectionId IdOf(const Tcp6Row& row);

// One shown connection: its identity and the eight column texts, the remark
// last.
struct ConnectionRow {
  ConnectionId id;
  ConnectionTexts texts;
};

// The connection list's columns as the model knows them.
enum ConnectionColumn : int {
  kPidColumn = 0, kProcessColumn = 1, kStateColumn = 2, kLocalAddressColumn = 3,
  kLocalPortColumn = 4, kRemoteAddressColumn = 5, kRemotePortColumn = 6, kRemarkColumn = 7,
};

// What changed between two snapshots, by identity: where each connection of
// the older one went in the newer one, and which rows of the newer one are
// connections the older one did not hold.
struct ConnectionDiff {
  std::vector<int> survivor;  // by row of the older model: its row in the newer one, -1 when it has gone
  std::vector<bool> added;    // by row of the newer model
};

// One snapshot of the shown connections as data, in table order (the IPv4
// rows first): built off the window's thread, then read by whatever needs the
// rows, by row number or by identity. Only the remarks change after it is built.
class ConnectionModel {
 public:
  ConnectionModel() = default;

  // The shown rows of both table buffers, each process path asked for once.
  static ConnectionModel FromTables(const std::vector<unsigned char>& table, const std::vector<unsigned char>& table6,
                                    TcpRowSource& source);
  // The rows as given; the tests' and benchmarks' way in.
  explicit ConnectionModel(std::vector<ConnectionRow> rows);

  int Count() const { return static_cast<int>(rows_.size()); }
  const ConnectionRow& Row(int row) const { return rows_[row]; }
  // The row of a connection, -1 when the snapshot does not hold it. A source
  // that lists one connection twice gets its first row.
  int Find(const ConnectionId& id) const;

  void SetRemark(int row, const std::wstring& remark) { rows_[row].texts[kRemarkColumn] = remark; }
  // Gives each connection of this snapshot the remark it had in the older
  // one; the remarks of connections that have gone go with them.
  void TakeRemarks(const ConnectionModel& older);

  // The executable of a process of the snapshot; empty when unknown.
  const std::wstring& ProgramPath(uint32_t pid) const;

  // The local port numbers of the rows, in table order.
  std::vector<uint16_t> LocalPorts() const;

 private:
  friend ConnectionDiff Diff(const ConnectionModel& older, const ConnectionModel& newer);

  std::vector<ConnectionRow> rows_;
  // The rows by identity, equal ones by row: sorted with the snapshot, off
  // the window's thread, so that a look-up is a binary search and two
  // snapshots are compared by one merge.
  std::vector<int> byId_;
  std::unordered_map<uint32_t, std::wstring> paths_;  // by process id
};

ConnectionDiff Diff(const ConnectionModel& older, const ConnectionModel& newer);
