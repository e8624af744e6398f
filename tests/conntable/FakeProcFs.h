#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "ProcFs.h"

// A /proc made of the files a test puts into it; it counts the reads of
// descriptor information so that tests can see when a scan happens.
class FakeProcFs : public ProcFs {
 public:
  bool Read(const std::wstring& path, std::string& bytes) override {
    const auto found = files_.find(path);
    if (found == files_.end() || unreadable.contains(path)) return false;
    if (path.find(L"\\fdinfo\\") != std::wstring::npos) ++fdReads;
    bytes = found->second;
    return true;
  }

  std::vector<std::wstring> List(const std::wstring& dir) override {
    const std::wstring prefix = dir.empty() ? L"" : dir + L"\\";
    std::set<std::wstring> names;
    for (const auto& [path, bytes] : files_) {
      if (path.starts_with(prefix)) names.insert(path.substr(prefix.size(), path.find(L'\\', prefix.size()) - prefix.size()));
    }
    return {names.begin(), names.end()};
  }

  // The path set in executables, else Z:\bin\prog<pid>.
  std::wstring ExecutablePath(unsigned long pid) override {
    const auto found = executables.find(pid);
    return found != executables.end() ? found->second : L"Z:\\bin\\prog" + std::to_wstring(pid);
  }

  void Put(const std::wstring& path, const std::string& bytes) { files_[path] = bytes; }
  void Remove(const std::wstring& path) { files_.erase(path); }

  // A process with the given name whose descriptors refer to the inodes, each
  // on the socket mount (10) unless listed in its mountinfo.
  void AddProcess(unsigned long pid, const std::string& name, const std::vector<unsigned long long>& inodes,
                  unsigned long long mount = 10) {
    const std::wstring dir = std::to_wstring(pid);
    Put(dir + L"\\comm", name + "\n");
    Put(dir + L"\\mountinfo", "22 27 0:21 / /proc rw - proc proc rw\n27 1 8:1 / / rw - ext4 /dev/sda1 rw\n");
    int fd = 3;
    for (const unsigned long long inode : inodes) {
      Put(dir + L"\\fdinfo\\" + std::to_wstring(fd++),
          "pos:\t0\nflags:\t02\nmnt_id:\t" + std::to_string(mount) + "\nino:\t" + std::to_string(inode) + "\n");
    }
  }

  std::map<unsigned long, std::wstring> executables;
  std::set<std::wstring> unreadable;  // listed, but every read fails
  int fdReads = 0;

 private:
  std::map<std::wstring, std::string> files_;
};
