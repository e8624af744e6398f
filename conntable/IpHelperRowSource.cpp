#include "IpHelperRowSource.h"

// winsock2.h before windows.h keeps the old winsock.h out.
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <psapi.h>

#include <cstddef>
#include <cstring>
#include <utility>

#include "TcpTable.h"
#include "UniqueHandle.h"

namespace {

// The rows are read straight out of the system's tables.
static_assert(sizeof(TcpRow) == sizeof(MIB_TCPROW_OWNER_PID));
static_assert(sizeof(Tcp6Row) == sizeof(MIB_TCP6ROW_OWNER_PID));
static_assert(offsetof(Tcp6Row, localPort) == offsetof(MIB_TCP6ROW_OWNER_PID, dwLocalPort));
static_assert(offsetof(Tcp6Row, remoteScopeId) == offsetof(MIB_TCP6ROW_OWNER_PID, dwRemoteScopeId));
static_assert(offsetof(Tcp6Row, state) == offsetof(MIB_TCP6ROW_OWNER_PID, dwState));
static_assert(offsetof(Tcp6Row, pid) == offsetof(MIB_TCP6ROW_OWNER_PID, dwOwningPid));
static_assert(offsetof(MIB_TCP6TABLE_OWNER_PID, table) == 4);

// A busy machine can open connections between the size query and the fetch;
// each try asks again with the size the failed one reported.
constexpr int kFetchTries = 4;
constexpr DWORD kPathChars = 32768;
constexpr DWORD kIdleProcess = 0;
constexpr DWORD kSystemProcess = 4;

unsigned long SystemTable(void* buffer, unsigned long* size) {
  return GetExtendedTcpTable(buffer, size, TRUE, AF_INET, TCP_TABLE_OWNER_PID_ALL, 0);
}

unsigned long SystemTable6(void* buffer, unsigned long* size) {
  return GetExtendedTcpTable(buffer, size, TRUE, AF_INET6, TCP_TABLE_OWNER_PID_ALL, 0);
}

// A table whose count promises more rows than its buffer holds was not
// read whole.
bool HoldsItsRows(const std::vector<unsigned char>& table, size_t rowSize) {
  if (table.size() < sizeof(DWORD)) return false;
  DWORD count = 0;
  std::memcpy(&count, table.data(), sizeof(count));
  return count <= (table.size() - sizeof(DWORD)) / rowSize;
}

unsigned long FetchWith(const IpHelperRowSource::TableCall& call, size_t rowSize, std::vector<unsigned char>& table) {
  table.clear();
  unsigned long size = 0;
  unsigned long result = call(nullptr, &size);
  for (int tries = 0; result == ERROR_INSUFFICIENT_BUFFER && tries < kFetchTries; ++tries) {
    table.assign(size, 0);
    result = call(table.data(), &size);
  }
  return result == NO_ERROR && !HoldsItsRows(table, rowSize) ? ERROR_INVALID_DATA : result;
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

IpHelperRowSource::IpHelperRowSource() : call_(SystemTable), call6_(SystemTable6) {}

IpHelperRowSource::IpHelperRowSource(TableCall call, TableCall call6)
    : call_(std::move(call)), call6_(std::move(call6)) {}

bool IpHelperRowSource::Fetch(std::vector<unsigned char>& table) {
  return FetchWith(call_, sizeof(MIB_TCPROW_OWNER_PID), table) == NO_ERROR;
}

bool IpHelperRowSource::Fetch6(std::vector<unsigned char>& table) {
  const unsigned long result = FetchWith(call6_, sizeof(MIB_TCP6ROW_OWNER_PID), table);
  // A system without an IPv6 stack has no IPv6 connections to show.
  if (result == ERROR_NOT_SUPPORTED) table.assign(sizeof(DWORD), 0);
  return result == NO_ERROR || result == ERROR_NOT_SUPPORTED;
}

std::wstring IpHelperRowSource::ProcessPath(unsigned long pid) {
  // The idle process and the kernel have no executable to ask for.
  if (pid == kIdleProcess || pid == kSystemProcess) return {};
  std::wstring path = ImageName(pid);
  return path.empty() ? MainModuleName(pid) : path;
}
