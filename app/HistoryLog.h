#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "MonitorEvent.h"

// A moment in local time with its offset from UTC in minutes.
struct LocalStamp {
  SYSTEMTIME local{};
  int offsetMinutes = 0;
};
LocalStamp SystemNow();
// ISO 8601 with the offset, to the second: 2026-12-09T09:08:32+08:00.
std::wstring IsoLocalTime(const LocalStamp& stamp);

// One line of the history, as written and as read back.
struct HistoryRecord {
  std::wstring time;
  std::wstring event;
  std::wstring computer;
  std::wstring entry;
  std::wstring details;
  bool operator==(const HistoryRecord&) const = default;
};

// The record as one UTF-8 line of tab-separated fields with its line feed;
// tabs and line breaks inside a field become spaces.
std::string HistoryLine(const HistoryRecord& record);
std::optional<HistoryRecord> ParseHistoryLine(const std::string& line);

// The history file: one line per event, appended and flushed as it happens.
// When a line would take the file past its limit, the file becomes the old
// one (replacing the previous old one) and a new file starts. A log without
// a path writes nothing (tests use that).
class HistoryLog {
 public:
  static constexpr std::uint64_t kRotateBytes = 1 << 20;

  HistoryLog() = default;
  explicit HistoryLog(std::wstring path, std::function<LocalStamp()> now = SystemNow,
                      std::uint64_t rotateBytes = kRotateBytes);
  // %APPDATA%\Lumora\history.log; its folder is made on the first write.
  static std::wstring UserPath();

  const std::wstring& Path() const { return path_; }
  std::wstring OldPath() const { return path_ + L".1"; }

  // The event stamped with the time now.
  HistoryRecord Record(const MonitorEvent& event, const std::wstring& computer) const;
  // False when the line could not be written whole.
  bool Write(const HistoryRecord& record) const;
  // Up to most records, newest first, from the file and then the old one.
  std::vector<HistoryRecord> Recent(size_t most) const;

 private:
  std::wstring path_;
  std::function<LocalStamp()> now_ = SystemNow;
  std::uint64_t rotateBytes_ = kRotateBytes;
};
