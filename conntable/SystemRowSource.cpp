#include <windows.h>

#include <string>

#include "IpHelperRowSource.h"
#include "ProcFs.h"
#include "TcpRowSource.h"
#include "WineProcRowSource.h"

namespace {

bool RunningUnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace

std::unique_ptr<TcpRowSource> SystemRowSource() {
  if (RunningUnderWine()) {
    std::unique_ptr<ProcFs> proc = DriveProcFs();
    std::string probe;
    if (proc->Read(L"net\\tcp", probe)) return std::make_unique<WineProcRowSource>(std::move(proc));
  }
  return std::make_unique<IpHelperRowSource>();
}
