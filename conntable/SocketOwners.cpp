#include "SocketOwners.h"

#include <algorithm>
#include <string>

#include "ProcText.h"

namespace {

// Process directories are the all-digit names; pids have at most 7 digits.
bool ParsePid(const std::wstring& name, unsigned long& pid) {
  if (name.empty() || name.size() > 9) return false;
  pid = 0;
  for (const wchar_t c : name) {
    if (c < L'0' || c > L'9') return false;
    pid = pid * 10 + (c - L'0');
  }
  return true;
}

// The pids in /proc, lowest first.
std::vector<unsigned long> Pids(ProcFs& proc) {
  std::vector<unsigned long> pids;
  for (const std::wstring& name : proc.List(L"")) {
    unsigned long pid = 0;
    if (ParsePid(name, pid)) pids.push_back(pid);
  }
  std::sort(pids.begin(), pids.end());
  return pids;
}

}  // namespace

SocketOwners::SocketOwners(ProcFs& proc) : proc_(proc) {}

void SocketOwners::Update(const std::vector<uint64_t>& inodes) {
  const std::unordered_set<uint64_t> current(inodes.begin(), inodes.end());
  std::erase_if(owners_, [&](const auto& owner) { return !current.contains(owner.first); });
  std::erase_if(ownerless_, [&](uint64_t inode) { return !current.contains(inode); });

  std::unordered_set<uint64_t> unknown;
  for (const uint64_t inode : current) {
    if (inode != 0 && !owners_.contains(inode) && !ownerless_.contains(inode)) unknown.insert(inode);
  }
  if (unknown.empty()) return;

  const Holders holders = Scan(unknown);
  for (const uint64_t inode : unknown) {
    const auto found = holders.find(inode);
    if (found == holders.end()) {
      ownerless_.insert(inode);
    } else {
      owners_[inode] = Preferred(found->second);
    }
  }
}

unsigned long SocketOwners::Owner(uint64_t inode) const {
  const auto found = owners_.find(inode);
  return found == owners_.end() ? 0 : found->second;
}

SocketOwners::Holders SocketOwners::Scan(const std::unordered_set<uint64_t>& wanted) {
  Holders holders;
  for (const unsigned long pid : Pids(proc_)) AddHolder(pid, wanted, holders);
  return holders;
}

void SocketOwners::AddHolder(unsigned long pid, const std::unordered_set<uint64_t>& wanted, Holders& holders) {
  const std::wstring dir = std::to_wstring(pid);
  std::vector<FdInfo> candidates;
  std::string text;
  for (const std::wstring& fd : proc_.List(dir + L"\\fdinfo")) {
    FdInfo info;
    if (proc_.Read(dir + L"\\fdinfo\\" + fd, text) && ParseFdInfo(text, info) && wanted.contains(info.inode)) {
      candidates.push_back(info);
    }
  }
  if (candidates.empty()) return;
  // An open file on a real mount can carry the same inode number as a socket;
  // sockets are the ones whose mount the process cannot see.
  if (!proc_.Read(dir + L"\\mountinfo", text)) return;
  const std::unordered_set<uint64_t> mounts = ParseMountIds(text);
  for (const FdInfo& info : candidates) {
    if (mounts.contains(info.mountId)) continue;
    std::vector<unsigned long>& pids = holders[info.inode];
    if (pids.empty() || pids.back() != pid) pids.push_back(pid);
  }
}

// Under Wine the server keeps a descriptor of every Windows program's socket,
// and a forked server shares its sockets with its children: the first holder
// that is not a Wine server, or else the first holder, stands for the owner.
unsigned long SocketOwners::Preferred(const std::vector<unsigned long>& pids) {
  if (pids.size() == 1) return pids.front();
  std::string name;
  for (const unsigned long pid : pids) {
    if (proc_.Read(std::to_wstring(pid) + L"\\comm", name) && !name.starts_with("wineserver")) return pid;
  }
  return pids.front();
}
