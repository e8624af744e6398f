#pragma once

#include <memory>
#include <string>
#include <vector>

// Read access to Linux's /proc tree. Paths are relative to /proc and use "\".
class ProcFs {
 public:
  virtual ~ProcFs() = default;
  // The whole content of a file; false when it cannot be read to its end.
  virtual bool Read(const std::wstring& path, std::string& bytes) = 0;
  // The names in a directory, without "." and ".."; empty when it cannot be listed.
  virtual std::vector<std::wstring> List(const std::wstring& dir) = 0;
  // The full path of the executable a process runs; empty when unknown.
  virtual std::wstring ExecutablePath(unsigned long pid) = 0;
};

// /proc as Wine shows it on drive Z:.
std::unique_ptr<ProcFs> DriveProcFs();
