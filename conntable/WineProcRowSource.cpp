#include "WineProcRowSource.h"

#include <algorithm>
#include <utility>

#include "ProcText.h"
#include "WineProgramName.h"

namespace {

// Rows with their owners in the system's order; owners learns the table's
// sockets first.
template <typename Entry, typename Order>
auto OwnedRows(const std::vector<Entry>& entries, SocketOwners& owners, Order order) {
  std::vector<uint64_t> inodes;
  inodes.reserve(entries.size());
  for (const Entry& entry : entries) inodes.push_back(entry.inode);
  owners.Update(inodes);

  std::vector<decltype(Entry::row)> rows;
  rows.reserve(entries.size());
  for (const Entry& entry : entries) {
    rows.push_back(entry.row);
    rows.back().pid = owners.Owner(entry.inode);
  }
  std::stable_sort(rows.begin(), rows.end(), order);
  return rows;
}

}  // namespace

WineProcRowSource::WineProcRowSource(std::unique_ptr<ProcFs> proc)
    : proc_(std::move(proc)), owners_(*proc_), owners6_(*proc_) {}

bool WineProcRowSource::Fetch(std::vector<unsigned char>& table) {
  std::string text;
  if (!proc_->Read(L"net\\tcp", text)) return false;
  const std::vector<ProcTcpEntry> entries = ParseProcNetTcp(text);
  if (!IsWholeProcTable(text, entries.size())) return false;
  table = TableBytes(OwnedRows(entries, owners_, SystemOrder));
  return true;
}

bool WineProcRowSource::Fetch6(std::vector<unsigned char>& table) {
  std::string text;
  if (!proc_->Read(L"net\\tcp6", text)) {
    // A kernel without IPv6 has no tcp6 file; one there that cannot be read
    // leaves no snapshot.
    const std::vector<std::wstring> names = proc_->List(L"net");
    if (std::find(names.begin(), names.end(), L"tcp6") != names.end()) return false;
    text.clear();
  }
  const std::vector<ProcTcp6Entry> entries = ParseProcNetTcp6(text);
  if (!IsWholeProcTable(text, entries.size())) return false;
  table = Table6Bytes(OwnedRows(entries, owners6_, System6Order));
  return true;
}

std::wstring WineProcRowSource::ProcessPath(unsigned long pid) {
  const std::wstring path = proc_->ExecutablePath(pid);
  if (!IsWineLoader(path)) return path;
  // A Windows program under Wine runs the loader; Wine puts the program's own
  // path first on its command line.
  std::string commandLine;
  if (!proc_->Read(std::to_wstring(pid) + L"\\cmdline", commandLine)) return path;
  const std::wstring program = WindowsProgramPath(commandLine);
  return program.empty() ? path : program;
}
