#include "IpHelperRowSource.h"

// winsock2.h before windows.h keeps the old winsock.h out.
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <psapi.h>

#include <utility>

#include "UniqueHandle.h"

namespace {

// A busy machine can open connections between the size query and the fetch;
// each try asks again with the size the failed one reported.
constexpr int kFetchTries = 4;
constexpr DWORD kPathChars = 32768;
constexpr DWORD kIdleProcess = 0;
constexpr DWORD kSystemProcess = 4;

unsigned long SystemTable(void* buffer, unsigned long* size) {
  return GetExtendedTcpTable(buffer, size, TRUE, AF_INET, TCP_TABLE_OWNER_PID_ALL, 0);
}

// Limited query access is granted for nearly every process, and the image
// name comes out whole whatever the bitness of the process.
std::wstring ImageName(DWORD pid) {
  UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  if (!process) return {};
  std::wstring path(kPathChars, L'\0');
  DWORD chars = kPathChars;
  if (!QueryFullProcessImageNameW(process.get(), 0, path.data(), &chars)) return {};
  path.resize(chars);
  return path;
}

// The first module of a process is its executable.
std::wstring MainModuleName(DWORD pid) {
  UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
  if (!process) return {};
  HMODULE first = nullptr;
  DWORD needed = 0;
  if (!EnumProcessModules(process.get(), &first, sizeof(first), &needed)) return {};
  std::wstring path(kPathChars, L'\0');
  path.resize(GetModuleFileNameExW(process.get(), first, path.data(), kPathChars));
  return path;
}

}  // namespace

IpHelperRowSource::IpHelperRowSource() : call_(SystemTable) {}

IpHelperRowSource::IpHelperRowSource(TableCall call) : call_(std::move(call)) {}

bool IpHelperRowSource::Fetch(std::vector<unsigned char>& table) {
  table.clear();
  unsigned long size = 0;
  unsigned long result = call_(nullptr, &size);
  for (int tries = 0; result == ERROR_INSUFFICIENT_BUFFER && tries < kFetchTries; ++tries) {
    table.assign(size, 0);
    result = call_(table.data(), &size);
  }
  return result == NO_ERROR && table.size() >= sizeof(DWORD);
}

std::wstring IpHelperRowSource::ProcessPath(unsigned long pid) {
  // The idle process and the kernel have no executable to ask for.
  if (pid == kIdleProcess || pid == kSystemProcess) return {};
  std::wstring path = ImageName(pid);
  return path.empty() ? MainModuleName(pid) : path;
}
