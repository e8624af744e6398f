#include "ConnectionText.h"

#include <gtest/gtest.h>

#include <cstring>

#include "TestRows.h"

namespace {

constexpr uint8_t kAny[4] = {0, 0, 0, 0};
constexpr uint8_t kLoopback[4] = {127, 0, 0, 1};

uint32_t FieldOfBytes(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
  const uint8_t bytes[4] = {a, b, c, d};
  uint32_t field;
  std::memcpy(&field, bytes, 4);
  return field;
}

TEST(PortNumber, ReadsTheFirstTwoBytesInNetworkOrderAndIgnoresTheRest) {
  EXPECT_EQ(PortNumber(FieldOfBytes(0x1F, 0x90, 0x00, 0x00)), 8080);
  EXPECT_EQ(PortNumber(FieldOfBytes(0x1F, 0x90, 0xAB, 0xCD)), 8080);
  EXPECT_EQ(PortNumber(FieldOfBytes(0xFF, 0xFF, 0, 0)), 65535);
}

TEST(TextAfterLast, TakesWhatFollowsTheLastSeparator) {
  EXPECT_EQ(TextAfterLast(L"C:\\Program Files\\App\\app.exe", L"\\"), L"app.exe");
  EXPECT_EQ(TextAfterLast(L"a::b::c", L"::"), L"c");
  EXPECT_EQ(TextAfterLast(L"C:\\dir\\", L"\\"), L"");
  EXPECT_EQ(TextAfterLast(L"no separator", L"\\"), L"");
  EXPECT_EQ(TextAfterLast(L"", L"\\"), L"");
}

TEST(RowTexts, ShowsLoopbackAsLocalhostOnBothSidesButNoOtherAddress) {
  const ConnectionTexts both = RowTexts(MakeRow(7, kLoopback, 1000, kLoopback, 2000), L"");
  EXPECT_EQ(both[3], L"localhost");
  EXPECT_EQ(both[5], L"localhost");
  // A plain text replacement would turn 127.0.0.12 into "localhost2".
  const ConnectionTexts near = RowTexts(MakeRow(7, {127, 0, 0, 12}, 1000, {127, 0, 0, 100}, 2000), L"");
  EXPECT_EQ(near[3], L"127.0.0.12");
  EXPECT_EQ(near[5], L"127.0.0.100");
}

TEST(ShownRows, KeepsListenersAndDropsOwnerlessAndAllZeroRowsInTableOrder) {
  const std::vector<TcpRow> rows = {
      MakeRow(0, kLoopback, 80, kLoopback, 5000),  // no owning process
      MakeRow(10, kAny, 135, kAny, 0, 2),          // listener
      MakeRow(11, kAny, 0, kAny, 0, 2),            // all zero, listening state
      MakeRow(12, kAny, 0, kAny, 0, 5),            // all zero, established state
      MakeRow(4, kAny, 445, kAny, 0, 2),           // the kernel's own listener
      MakeRow(13, {10, 0, 0, 1}, 0, kAny, 9),      // local port 0 but a remote port
  };
  const std::vector<TcpRow> shown = ShownRows(TableBytes(rows));
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0].pid, 10u);
  EXPECT_EQ(shown[1].pid, 4u);
  EXPECT_EQ(shown[2].pid, 13u);
  EXPECT_EQ(RowTexts(shown[0], L"")[5], L"0.0.0.0");
  EXPECT_EQ(RowTexts(shown[0], L"")[6], L"0");
}

TEST(ShownRows, EmptyTablesAndTablesOfIdleRowsShowNothing) {
  EXPECT_TRUE(ShownRows({}).empty());
  EXPECT_TRUE(ShownRows(TableBytes({})).empty());
  EXPECT_TRUE(ShownRows(TableBytes({MakeRow(0, kAny, 80, kAny, 0), MakeRow(0, kLoopback, 1, kLoopback, 2)})).empty());
}

}  // namespace
