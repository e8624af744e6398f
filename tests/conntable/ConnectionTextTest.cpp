#include "ConnectionText.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>

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

TEST(Address6Text, WritesTheStandardShortestForm) {
  EXPECT_EQ(Address6Text(Address6{0, 0, 0, 0, 0, 0, 0, 0}.bytes, 0), L"::");
  EXPECT_EQ(Address6Text(Address6{0, 0, 0, 0, 0, 0, 0, 1}.bytes, 0), L"::1");
  EXPECT_EQ(Address6Text(Address6{0x2001, 0xDB8, 0, 0, 0, 0, 0x2, 0x1}.bytes, 0), L"2001:db8::2:1");
  // A lone zero group is written out; of two equal runs the first is shortened.
  EXPECT_EQ(Address6Text(Address6{0x2001, 0xDB8, 0, 1, 1, 1, 1, 1}.bytes, 0), L"2001:db8:0:1:1:1:1:1");
  EXPECT_EQ(Address6Text(Address6{0x2001, 0, 0, 1, 0, 0, 1, 0}.bytes, 0), L"2001::1:0:0:1:0");
  // The longer run wins even when it comes second.
  EXPECT_EQ(Address6Text(Address6{0x2001, 0, 0, 1, 0, 0, 0, 1}.bytes, 0), L"2001:0:0:1::1");
  EXPECT_EQ(Address6Text(Address6{0xABCD, 0xEF, 0x100, 0, 0, 0, 0, 0}.bytes, 0), L"abcd:ef:100::");
  EXPECT_EQ(Address6Text(Address6{0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF}.bytes, 0),
            L"ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff");
}

TEST(Address6Text, GivesMappedAddressesTheirIPv4TextAndLinkLocalOnesTheirScope) {
  EXPECT_EQ(Address6Text(Address6{0, 0, 0, 0, 0, 0xFFFF, 0x7F00, 0x0001}.bytes, 0), L"127.0.0.1");
  EXPECT_EQ(Address6Text(Address6{0, 0, 0, 0, 0, 0xFFFF, 0xC0A8, 0x010A}.bytes, 0), L"192.168.1.10");
  // Only ::ffff:0:0/96 is mapped; ::a.b.c.d and ::ffff:0:a.b.c.d are plain IPv6.
  EXPECT_EQ(Address6Text(Address6{0, 0, 0, 0, 0, 0, 0xC0A8, 0x010A}.bytes, 0), L"::c0a8:10a");
  EXPECT_EQ(Address6Text(Address6{0, 0, 0, 0, 0xFFFF, 0, 0xC0A8, 0x010A}.bytes, 0), L"::ffff:0:c0a8:10a");
  EXPECT_EQ(Address6Text(Address6{0xFE80, 0, 0, 0, 0x21A, 0x2BFF, 0xFE3C, 0x4D5E}.bytes, 12),
            L"fe80::21a:2bff:fe3c:4d5e%12");
}

TEST(RowTexts, ShowsOnlyTheExactIPv4LoopbackAsLocalhostOnIPv6Rows) {
  const Address6 mappedLoopback{0, 0, 0, 0, 0, 0xFFFF, 0x7F00, 0x0001};
  const ConnectionTexts mapped = RowTexts(MakeRow6(7, mappedLoopback, 80, Address6{0, 0, 0, 0, 0, 0, 0, 1}, 9), L"");
  EXPECT_EQ(mapped[3], L"localhost");
  EXPECT_EQ(mapped[4], L"80");
  EXPECT_EQ(mapped[5], L"::1");
  EXPECT_EQ(mapped[6], L"9");
  EXPECT_EQ(mapped[2], L"已建立");
}

TEST(StateText, GivesEachTableStateItsOwnWordAndNothingOutsideThem) {
  const std::wstring expected[] = {L"",         L"已关闭",   L"监听",     L"同步已发送", L"同步已收到",
                                   L"已建立",   L"终止等待1", L"终止等待2", L"关闭等待",   L"同时关闭",
                                   L"最后确认", L"时间等待", L"删除"};
  for (uint32_t state = 0; state < std::size(expected); ++state) EXPECT_EQ(StateText(state), expected[state]);
  EXPECT_EQ(StateText(13), L"");
  EXPECT_EQ(StateText(0xFFFFFFFF), L"");
}

TEST(ShownRows, AppliesTheSameSkipRulesToIPv6Rows) {
  const Address6 any{0, 0, 0, 0, 0, 0, 0, 0};
  const std::vector<Tcp6Row> rows = {
      MakeRow6(0, Address6{0, 0, 0, 0, 0, 0, 0, 1}, 80, any, 0, 2),  // no owning process
      MakeRow6(10, any, 443, any, 0, 2),                              // dual-stack listener
      MakeRow6(11, any, 0, any, 0, 2),                                // all zero
      MakeRow6(12, any, 0, Address6{0, 0, 0, 0, 0, 0, 0, 1}, 0),      // only a remote address
  };
  const std::vector<Tcp6Row> shown = Shown6Rows(Table6Bytes(rows));
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].pid, 10u);
  EXPECT_EQ(shown[1].pid, 12u);
}

TEST(ShownRows, EmptyTablesAndTablesOfIdleRowsShowNothing) {
  EXPECT_TRUE(ShownRows({}).empty());
  EXPECT_TRUE(ShownRows(TableBytes({})).empty());
  EXPECT_TRUE(ShownRows(TableBytes({MakeRow(0, kAny, 80, kAny, 0), MakeRow(0, kLoopback, 1, kLoopback, 2)})).empty());
}

}  // namespace
