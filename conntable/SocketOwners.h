#pragma once

#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "ProcFs.h"

// Which process holds each socket inode, learnt from /proc/<pid>/fdinfo. What
// it learnt is kept from one refresh to the next: only sockets it has not met
// before send it through the descriptors of every process again.
class SocketOwners {
 public:
  explicit SocketOwners(ProcFs& proc);

  // Brings the owners up to date for the sockets of the current table and
  // forgets those that are gone.
  void Update(const std::vector<uint64_t>& inodes);

  // The pid holding the inode; 0 when no readable process holds it.
  unsigned long Owner(uint64_t inode) const;

 private:
  using Holders = std::unordered_map<uint64_t, std::vector<unsigned long>>;

  Holders Scan(const std::unordered_set<uint64_t>& wanted);
  void AddHolder(unsigned long pid, const std::unordered_set<uint64_t>& wanted, Holders& holders);
  unsigned long Preferred(const std::vector<unsigned long>& pids);

  ProcFs& proc_;
  std::unordered_map<uint64_t, unsigned long> owners_;
  std::unordered_set<uint64_t> ownerless_;  // looked for in a scan and not found
};
