#include "IpHelperRowSource.h"

#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

#include "ConnectionText.h"
#include "TestRows.h"

namespace {

// A system table that gains a row after each call that reports its size, as
// long as it has growths left.
struct GrowingTable {
  unsigned long operator()(void* buffer, unsigned long* size) {
    ++calls;
    const std::vector<unsigned char> bytes = TableBytes(rows);
    if (buffer != nullptr && *size >= bytes.size()) {
      std::memcpy(buffer, bytes.data(), bytes.size());
      return NO_ERROR;
    }
    *size = static_cast<unsigned long>(bytes.size());
    if (growths > 0) {
      --growths;
      rows.push_back(MakeRow(100, {10, 0, 0, 1}, static_cast<uint16_t>(1000 + rows.size()), {10, 0, 0, 2}, 2000));
    }
    return ERROR_INSUFFICIENT_BUFFER;
  }

  int growths = 0;
  int calls = 0;
  std::vector<TcpRow> rows = {MakeRow(100, {0, 0, 0, 0}, 80, {0, 0, 0, 0}, 0)};
};

unsigned long NotSupported(void*, unsigned long*) {
  return ERROR_NOT_SUPPORTED;
}

std::vector<unsigned char> FetchFrom(GrowingTable& system, bool& fetched) {
  IpHelperRowSource source([&](void* buffer, unsigned long* size) { return system(buffer, size); }, NotSupported);
  std::vector<unsigned char> table;
  fetched = source.Fetch(table);
  return table;
}

TEST(IpHelperRowSource, FetchesWithTheReportedSizeWhenTheTableStaysPut) {
  GrowingTable system;
  bool fetched = false;
  const std::vector<unsigned char> table = FetchFrom(system, fetched);
  ASSERT_TRUE(fetched);
  EXPECT_EQ(system.calls, 2);
  EXPECT_EQ(TableRows(table).size(), 1u);
}

TEST(IpHelperRowSource, AsksAgainWithTheNewSizeWhenTheTableGrowsBetweenTheCalls) {
  GrowingTable system;
  system.growths = 2;
  bool fetched = false;
  const std::vector<unsigned char> table = FetchFrom(system, fetched);
  ASSERT_TRUE(fetched);
  EXPECT_EQ(system.calls, 4);
  EXPECT_EQ(TableRows(table).size(), 3u);
}

TEST(IpHelperRowSource, GivesUpOnATableThatKeepsGrowingAndOnOtherErrors) {
  GrowingTable system;
  system.growths = 1000;
  bool fetched = true;
  FetchFrom(system, fetched);
  EXPECT_FALSE(fetched);
  EXPECT_EQ(system.calls, 5);

  IpHelperRowSource failing(NotSupported, NotSupported);
  std::vector<unsigned char> table;
  EXPECT_FALSE(failing.Fetch(table));
}

TEST(IpHelperRowSource, FetchesTheIPv6TableAndTakesAMissingIPv6StackForNoConnections) {
  const std::vector<Tcp6Row> rows6 = {MakeRow6(100, Address6{0, 0, 0, 0, 0, 0, 0, 1}, 80, Address6{0, 0, 0, 0, 0, 0, 0, 0}, 0)};
  IpHelperRowSource source(NotSupported, [&](void* buffer, unsigned long* size) {
    const std::vector<unsigned char> bytes = Table6Bytes(rows6);
    if (buffer == nullptr || *size < bytes.size()) {
      *size = static_cast<unsigned long>(bytes.size());
      return static_cast<unsigned long>(ERROR_INSUFFICIENT_BUFFER);
    }
    std::memcpy(buffer, bytes.data(), bytes.size());
    return static_cast<unsigned long>(NO_ERROR);
  });
  std::vector<unsigned char> table;
  ASSERT_TRUE(source.Fetch6(table));
  ASSERT_EQ(Table6Rows(table).size(), 1u);
  EXPECT_EQ(PortNumber(Table6Rows(table)[0].localPort), 80);

  IpHelperRowSource withoutIPv6(NotSupported, NotSupported);
  table.assign(9, 1);
  ASSERT_TRUE(withoutIPv6.Fetch6(table));
  EXPECT_EQ(table.size(), 4u);
  EXPECT_TRUE(Table6Rows(table).empty());

  IpHelperRowSource broken(NotSupported, [](void*, unsigned long*) { return static_cast<unsigned long>(ERROR_ACCESS_DENIED); });
  EXPECT_FALSE(broken.Fetch6(table));
}

// A table whose count promises more rows than came with it is no snapshot.
TEST(IpHelperRowSource, RefusesATableShorterThanItsCount) {
  auto shortTable = [](size_t rowSize) {
    return [rowSize](void* buffer, unsigned long* size) {
      const unsigned long bytes = static_cast<unsigned long>(sizeof(DWORD) + 2 * rowSize);
      if (buffer == nullptr || *size < bytes) {
        *size = bytes;
        return static_cast<unsigned long>(ERROR_INSUFFICIENT_BUFFER);
      }
      const DWORD count = 3;
      std::memset(buffer, 0, bytes);
      std::memcpy(buffer, &count, sizeof(count));
      return static_cast<unsigned long>(NO_ERROR);
    };
  };
  IpHelperRowSource source(shortTable(sizeof(TcpRow)), shortTable(sizeof(Tcp6Row)));
  std::vector<unsigned char> table;
  EXPECT_FALSE(source.Fetch(table));
  EXPECT_FALSE(source.Fetch6(table));
}

TEST(IpHelperRowSource, AsksNoProcessForTheIdleProcessAndTheKernel) {
  IpHelperRowSource source;
  EXPECT_EQ(source.ProcessPath(0), L"");
  EXPECT_EQ(source.ProcessPath(4), L"");
  wchar_t own[MAX_PATH];
  const DWORD chars = GetModuleFileNameW(nullptr, own, MAX_PATH);
  const std::wstring path = source.ProcessPath(GetCurrentProcessId());
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(CompareStringOrdinal(path.c_str(), -1, own, static_cast<int>(chars), TRUE), CSTR_EQUAL) << path;
}

}  // namespace
