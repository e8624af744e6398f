#include "HistoryLog.h"

#include <shlobj.h>

#include <algorithm>
#include <cwchar>
#include <iterator>

#include "UniqueHandle.h"

namespace {

constexpr size_t kFieldChars = 512;  // a reason longer than this is cut

std::string Utf8(const std::wstring& text) {
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                        nullptr, nullptr);
  std::string out(bytes, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), bytes, nullptr, nullptr);
  return out;
}

std::wstring Wide(const std::string& text) {
  const int chars = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(chars, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), chars);
  return out;
}

std::wstring OneField(std::wstring text) {
  if (text.size() > kFieldChars) text.resize(kFieldChars);
  std::replace_if(text.begin(), text.end(), [](wchar_t c) { return c < L' '; }, L' ');
  return text;
}

ULONGLONG Ticks(const SYSTEMTIME& time) {
  FILETIME file{};
  SystemTimeToFileTime(&time, &file);
  return (ULONGLONG{file.dwHighDateTime} << 32) | file.dwLowDateTime;
}

std::optional<std::uint64_t> FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

// The whole file, or nothing when it cannot be read.
std::string ReadAll(const std::wstring& path) {
  UniqueHandle file = OwnHandle(CreateFileW(path.c_str(), GENERIC_READ,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return {};
  std::string bytes;
  char buffer[64 * 1024];
  DWORD got = 0;
  while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  return bytes;
}

// Records of one file, newest last.
std::vector<HistoryRecord> Records(const std::wstring& path) {
  std::vector<HistoryRecord> records;
  const std::string bytes = ReadAll(path);
  size_t from = 0;
  for (size_t end; (end = bytes.find('\n', from)) != std::string::npos; from = end + 1) {
    if (auto record = ParseHistoryLine(bytes.substr(from, end - from))) records.push_back(std::move(*record));
  }
  return records;
}

}  // namespace

LocalStamp SystemNow() {
  SYSTEMTIME utc;
  GetSystemTime(&utc);
  LocalStamp stamp;
  if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &stamp.local)) stamp.local = utc;
  const auto difference = static_cast<long long>(Ticks(stamp.local) - Ticks(utc));
  stamp.offsetMinutes = static_cast<int>(difference / 600000000LL);
  return stamp;
}

std::wstring IsoLocalTime(const LocalStamp& stamp) {
  const SYSTEMTIME& t = stamp.local;
  const int offset = stamp.offsetMinutes < 0 ? -stamp.offsetMinutes : stamp.offsetMinutes;
  wchar_t text[40];
  std::swprintf(text, std::size(text), L"%04u-%02u-%02uT%02u:%02u:%02u%lc%02d:%02d", t.wYear, t.wMonth, t.wDay,
                t.wHour, t.wMinute, t.wSecond, stamp.offsetMinutes < 0 ? L'-' : L'+', offset / 60, offset % 60);
  return text;
}

std::string HistoryLine(const HistoryRecord& record) {
  return Utf8(OneField(record.time) + L'\t' + OneField(record.event) + L'\t' + OneField(record.computer) + L'\t' +
              OneField(record.entry) + L'\t' + OneField(record.details)) +
         '\n';
}

std::optional<HistoryRecord> ParseHistoryLine(const std::string& line) {
  std::vector<std::wstring> fields;
  size_t from = 0;
  for (size_t tab; fields.size() < 4 && (tab = line.find('\t', from)) != std::string::npos; from = tab + 1) {
    fields.push_back(Wide(line.substr(from, tab - from)));
  }
  if (fields.size() < 4) return std::nullopt;
  std::string last = line.substr(from);
  if (!last.empty() && last.back() == '\r') last.pop_back();
  return HistoryRecord{fields[0], fields[1], fields[2], fields[3], Wide(last)};
}

HistoryLog::HistoryLog(std::wstring path, std::function<LocalStamp()> now, std::uint64_t rotateBytes)
    : path_(std::move(path)), now_(std::move(now)), rotateBytes_(rotateBytes) {}

std::wstring HistoryLog::UserPath() {
  wchar_t* appData = nullptr;
  if (FAILED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &appData))) return {};
  std::wstring path = std::wstring(appData) + L"\\Lumora\\history.log";
  CoTaskMemFree(appData);
  return path;
}

HistoryRecord HistoryLog::Record(const MonitorEvent& event, const std::wstring& computer) const {
  return {IsoLocalTime(now_()), EventName(event.kind), computer, event.entry, event.details};
}

bool HistoryLog::Write(const HistoryRecord& record) const {
  if (path_.empty()) return true;
  const std::string line = HistoryLine(record);
  const auto size = FileSize(path_);
  if (!size) {
    SHCreateDirectoryExW(nullptr, path_.substr(0, path_.find_last_of(L'\\')).c_str(), nullptr);
  } else if (*size > 0 && *size + line.size() > rotateBytes_) {
    // A failed move leaves the file growing rather than losing a line.
    MoveFileExW(path_.c_str(), OldPath().c_str(), MOVEFILE_REPLACE_EXISTING);
  }
  UniqueHandle file = OwnHandle(CreateFileW(path_.c_str(), FILE_APPEND_DATA,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  const bool whole = WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
                     written == line.size();
  return FlushFileBuffers(file.get()) && whole;
}

std::vector<HistoryRecord> HistoryLog::Recent(size_t most) const {
  std::vector<HistoryRecord> newest;
  if (path_.empty()) return newest;
  for (const std::wstring& path : {path_, OldPath()}) {
    std::vector<HistoryRecord> records = Records(path);
    const size_t take = std::min(most - newest.size(), records.size());
    newest.insert(newest.end(), std::make_move_iterator(records.rbegin()),
                  std::make_move_iterator(records.rbegin() + static_cast<std::ptrdiff_t>(take)));
    if (newest.size() == most) break;
  }
  return newest;
}
