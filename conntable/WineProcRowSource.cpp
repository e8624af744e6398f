#include "WineProcRowSource.h"

#include <algorithm>
#include <utility>

#include "ProcText.h"

WineProcRowSource::WineProcRowSource(std::unique_ptr<ProcFs> proc) : proc_(std::move(proc)), owners_(*proc_) {}

bool WineProcRowSource::Fetch(std::vector<unsigned char>& table) {
  std::string text;
  if (!proc_->Read(L"net\\tcp", text)) return false;
  const std::vector<ProcTcpEntry> entries = ParseProcNetTcp(text);

  std::vector<uint64_t> inodes;
  inodes.reserve(entries.size());
  for (const ProcTcpEntry& entry : entries) inodes.push_back(entry.inode);
  owners_.Update(inodes);

  std::vector<TcpRow> rows;
  rows.reserve(entries.size());
  for (const ProcTcpEntry& entry : entries) {
    rows.push_back(entry.row);
    rows.back().pid = owners_.Owner(entry.inode);
  }
  std::stable_sort(rows.begin(), rows.end(), SystemOrder);
  table = TableBytes(rows);
  return true;
}

std::wstring WineProcRowSource::ProcessPath(unsigned long pid) {
  return proc_->ExecutablePath(pid);
}
