#include "FileReplace.h"

#include <windows.h>

#include <algorithm>

#include "UniqueHandle.h"

namespace {

std::wstring Reason(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring reason = length ? std::wstring(text, length) : L"";
  LocalFree(text);
  while (!reason.empty() && (reason.back() == L'\n' || reason.back() == L'\r' || reason.back() == L' ')) {
    reason.pop_back();
  }
  return reason.empty() ? L"错误 " + std::to_wstring(error) : reason;
}

// The failure's own code; a failure that set none still counts as one.
DWORD FailureCode() {
  const DWORD error = GetLastError();
  return error == ERROR_SUCCESS ? ERROR_WRITE_FAULT : error;
}

std::wstring FolderOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return L".";
  return path.substr(0, slash + 1);
}

bool WriteAll(HANDLE file, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) return false;
    done += written;
  }
  return FlushFileBuffers(file) != 0;
}

}  // namespace

std::wstring WriteFileReplacing(const std::wstring& path, const std::string& bytes) {
  // Windows refuses to replace a read-only file, Wine does not: refused here alike.
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    return Reason(ERROR_ACCESS_DENIED);
  }
  wchar_t temporary[MAX_PATH + 16] = {};
  if (!GetTempFileNameW(FolderOf(path).c_str(), L"lum", 0, temporary)) return Reason(GetLastError());
  DWORD error = ERROR_SUCCESS;
  {
    const UniqueHandle file = OwnHandle(
        CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file || !WriteAll(file.get(), bytes)) error = FailureCode();
  }
  if (error == ERROR_SUCCESS) {
    if (MoveFileExW(temporary, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return L"";
    error = FailureCode();
  }
  DeleteFileW(temporary);
  return Reason(error);
}
