// Refreshes the Wine row source over a synthetic /proc of N sockets (a quarter
// of them IPv6) held by 50 programs and by the Wine server, and prints the
// time of the first refresh, which learns every owner, and of a steady one,
// with the descriptor reads of each: a steady refresh should read none.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "BenchClock.h"
#include "TcpTable.h"
#include "WineProcRowSource.h"

namespace {

constexpr int kPrograms = 50;
constexpr unsigned long kServerPid = 90;
constexpr int kSizes[] = {1000, 10000, 30000};
constexpr int kRounds = 3;

std::string Hex8(uint32_t value) {
  char text[9];
  std::snprintf(text, sizeof(text), "%08X", value);
  return text;
}

// A /proc held in memory; it counts what a scan of the descriptors reads.
class SyntheticProc : public ProcFs {
 public:
  explicit SyntheticProc(int sockets) {
    std::string tcp = "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode\n";
    std::string tcp6 = tcp;
    std::map<unsigned long, std::vector<int>> held;
    for (int i = 0; i < sockets; ++i) {
      const int inode = 100000 + i;
      const std::string rest = " 01 00000000:00000000 00:00000000 00000000  1000        0 " + std::to_string(inode) + " 1\n";
      const std::string port = ":" + Hex8(1024 + i % 60000).substr(4);
      if (i % 4 == 3) {
        tcp6 += "   0: B80D0120000000000000000000" + Hex8(i).substr(2) + port + " 00280626010020029318482500" +
                Hex8(i % 251).substr(2) + ":01BB" + rest;
      } else {
        tcp += "   0: " + Hex8(0x0000000A | (i << 8)) + port + " " + Hex8(0x5DB8 | (i % 251) << 24) + ":01BB" + rest;
      }
      held[1000 + 4 * (i % kPrograms)].push_back(inode);
      held[kServerPid].push_back(inode);
    }
    files_[L"net\\tcp"] = tcp;
    files_[L"net\\tcp6"] = tcp6;
    for (const auto& [pid, inodes] : held) {
      const std::wstring dir = std::to_wstring(pid);
      files_[dir + L"\\comm"] = pid == kServerPid ? "wineserver64\n" : "app.exe\n";
      files_[dir + L"\\mountinfo"] = "22 27 0:21 / /proc rw - proc proc rw\n27 1 8:1 / / rw - ext4 /dev/sda1 rw\n";
      std::vector<std::wstring>& fds = fds_[dir + L"\\fdinfo"];
      for (size_t fd = 0; fd < inodes.size(); ++fd) {
        fds.push_back(std::to_wstring(fd + 3));
        files_[dir + L"\\fdinfo\\" + fds.back()] =
            "pos:\t0\nflags:\t02\nmnt_id:\t10\nino:\t" + std::to_string(inodes[fd]) + "\n";
      }
      pids_.push_back(dir);
    }
  }

  bool Read(const std::wstring& path, std::string& bytes) override {
    const auto found = files_.find(path);
    if (found == files_.end()) return false;
    if (path.find(L"\\fdinfo\\") != std::wstring::npos) ++descriptorReads;
    bytes = found->second;
    return true;
  }

  std::vector<std::wstring> List(const std::wstring& dir) override {
    if (dir.empty()) return pids_;
    const auto found = fds_.find(dir);
    return found == fds_.end() ? std::vector<std::wstring>() : found->second;
  }

  std::wstring ExecutablePath(unsigned long) override { return L"Z:\\usr\\lib\\wine\\wine"; }

  int descriptorReads = 0;

 private:
  std::map<std::wstring, std::string> files_;
  std::map<std::wstring, std::vector<std::wstring>> fds_;
  std::vector<std::wstring> pids_;
};

// The milliseconds of one refresh of both tables; rows gets the rows with an owner.
double TimeRefresh(WineProcRowSource& source, int& rows) {
  std::vector<unsigned char> table, table6;
  const double start = Now();
  source.Fetch(table);
  source.Fetch6(table6);
  const double elapsed = Now() - start;
  rows = 0;
  for (const TcpRow& row : TableRows(table)) rows += row.pid != 0 && row.pid != kServerPid;
  for (const Tcp6Row& row : Table6Rows(table6)) rows += row.pid != 0 && row.pid != kServerPid;
  return elapsed;
}

}  // namespace

int main() {
  std::printf("%8s %10s %12s %10s %12s %10s\n", "sockets", "owned", "first ms", "fd reads", "steady ms", "fd reads");
  for (const int sockets : kSizes) {
    auto owned = std::make_unique<SyntheticProc>(sockets);
    SyntheticProc& proc = *owned;
    WineProcRowSource source(std::move(owned));
    int rows = 0;
    const double first = TimeRefresh(source, rows);
    const int firstReads = proc.descriptorReads;
    double steady = 1e300;
    for (int round = 0; round < kRounds; ++round) steady = std::min(steady, TimeRefresh(source, rows));
    std::printf("%8d %10d %12.1f %10d %12.1f %10d\n", sockets, rows, first, firstReads, steady,
                proc.descriptorReads - firstReads);
    std::fflush(stdout);
  }
  return 0;
}
