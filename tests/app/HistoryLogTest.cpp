#include "HistoryLog.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

std::wstring ScratchFolder() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  return std::wstring(temp) + L"lumora-history-test";
}

// A history file of its own for each test, gone before and after.
class HistoryLogTest : public ::testing::Test {
 protected:
  void SetUp() override { Clean(); }
  void TearDown() override { Clean(); }
  void Clean() const {
    DeleteFileW(path.c_str());
    DeleteFileW((path + L".1").c_str());
  }
  static LocalStamp Noon() {
    LocalStamp stamp;
    stamp.local = {2026, 12, 4, 3, 9, 12, 0, 0};  // a Thursday
    stamp.offsetMinutes = 480;
    return stamp;
  }
  static std::string Contents(const std::wstring& file) {
    HANDLE handle = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return "<none>";
    std::string bytes(GetFileSize(handle, nullptr), '\0');
    DWORD read = 0;
    ReadFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(handle);
    return bytes;
  }

  const std::wstring path = ScratchFolder() + L"\\history.log";
};

TEST(HistoryTime, IsLocalIsoWithItsOffset) {
  struct Case {
    int offset;
    const wchar_t* text;
  } cases[] = {
      {480, L"2026-12-03T09:05:07+08:00"},
      {0, L"2026-12-03T09:05:07+00:00"},
      {-210, L"2026-12-03T09:05:07-03:30"},
      {345, L"2026-12-03T09:05:07+05:45"},
  };
  for (const Case& c : cases) {
    LocalStamp stamp;
    stamp.local = {2026, 12, 3, 3, 9, 5, 7, 250};
    stamp.offsetMinutes = c.offset;
    EXPECT_EQ(IsoLocalTime(stamp), c.text);
  }
}

TEST(HistoryLine, IsOneUtf8LineOfFiveFieldsAndReadsBack) {
  const HistoryRecord record{L"2026-12-03T09:05:07+08:00", L"提醒被拒绝", L"2", L"8080备注 数据库",
                             L"参数 pwd 无效\r\n\tHTTP 403"};
  const std::string line = HistoryLine(record);
  EXPECT_EQ(line,
            "2026-12-03T09:05:07+08:00\t\xE6\x8F\x90\xE9\x86\x92\xE8\xA2\xAB\xE6\x8B\x92\xE7\xBB\x9D\t2\t"
            "8080\xE5\xA4\x87\xE6\xB3\xA8 \xE6\x95\xB0\xE6\x8D\xAE\xE5\xBA\x93\t"
            "\xE5\x8F\x82\xE6\x95\xB0 pwd \xE6\x97\xA0\xE6\x95\x88   HTTP 403\n");
  HistoryRecord flattened = record;
  flattened.details = L"参数 pwd 无效   HTTP 403";
  EXPECT_EQ(ParseHistoryLine(line.substr(0, line.size() - 1)), flattened);
  EXPECT_EQ(ParseHistoryLine("too\tfew\tfields"), std::nullopt);
}

TEST_F(HistoryLogTest, AppendsStampedLinesAndMakesItsFolder) {
  RemoveDirectoryW(ScratchFolder().c_str());
  const HistoryLog log(path, Noon);
  ASSERT_TRUE(log.Write(log.Record({MonitorEventKind::Started, L"", L""}, L"1")));
  ASSERT_TRUE(log.Write(log.Record({MonitorEventKind::DropConfirmed, L"8080备注 db", L""}, L"1")));
  EXPECT_EQ(Contents(path),
            "2026-12-03T09:12:00+08:00\t\xE7\x9B\x91\xE6\x8E\xA7\xE5\xBC\x80\xE5\xA7\x8B\t1\t\t\n"
            "2026-12-03T09:12:00+08:00\t\xE7\xA1\xAE\xE8\xAE\xA4\xE6\x96\xAD\xE5\xBC\x80\t1\t8080\xE5\xA4\x87\xE6\xB3\xA8 db\t\n");
}

TEST_F(HistoryLogTest, RotatesBeforeALineWouldPassTheLimitKeepingOneOldFile) {
  const HistoryLog log(path, Noon, 100);
  const HistoryRecord record{L"t", L"e", L"1", L"k", std::wstring(40, L'x')};  // 49 bytes a line
  const std::string line = HistoryLine(record);
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(log.Write(record));
  EXPECT_EQ(Contents(path), line);                 // the fifth line
  EXPECT_EQ(Contents(path + L".1"), line + line);  // the third and fourth; the first two are gone
}

TEST_F(HistoryLogTest, RecentIsNewestFirstAcrossBothFilesAndBounded) {
  const HistoryLog log(path, Noon, 30);  // two 12-byte lines a file
  for (int i = 1; i <= 4; ++i) ASSERT_TRUE(log.Write({L"t", L"e", L"1", std::to_wstring(i), L"d"}));
  std::vector<std::wstring> entries;
  for (const HistoryRecord& record : log.Recent(3)) entries.push_back(record.entry);
  EXPECT_EQ(entries, (std::vector<std::wstring>{L"4", L"3", L"2"}));
}

TEST_F(HistoryLogTest, AFailedWriteSaysSo) {
  const std::wstring blocker = ScratchFolder() + L"\\not-a-folder";
  CreateDirectoryW(ScratchFolder().c_str(), nullptr);
  HANDLE file = CreateFileW(blocker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  const HistoryLog log(blocker + L"\\history.log", Noon);
  EXPECT_FALSE(log.Write({L"t", L"e", L"1", L"k", L"d"}));
  EXPECT_TRUE(HistoryLog().Write({L"t", L"e", L"1", L"k", L"d"})) << "a log without a path writes nothing";
  DeleteFileW(blocker.c_str());
}

}  // namespace
