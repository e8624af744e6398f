#include "SortKeys.h"

#include <gtest/gtest.h>

namespace {

int Sign(int value) { return (value > 0) - (value < 0); }

int Compare(SortKind kind, const wchar_t* a, const wchar_t* b) { return Sign(CompareSortTexts(kind, a, b)); }

TEST(SortKeys, NumbersCompareAsNumbersWithNonNumbersLast) {
  EXPECT_EQ(Compare(SortKind::Number, L"9", L"10"), -1);
  EXPECT_EQ(Compare(SortKind::Number, L"65535", L"443"), 1);
  EXPECT_EQ(Compare(SortKind::Number, L"80", L"80"), 0);
  EXPECT_EQ(Compare(SortKind::Number, L"007", L"7"), 0);
  EXPECT_EQ(Compare(SortKind::Number, L"4294967296", L"4294967295"), 1);
  EXPECT_EQ(Compare(SortKind::Number, L"", L"0"), 1);
  EXPECT_EQ(Compare(SortKind::Number, L"-1", L"99999"), 1);
  EXPECT_EQ(Compare(SortKind::Number, L"1.5", L"2"), 1);
}

TEST(SortKeys, AddressesCompareNumericallyIpv4BeforeIpv6) {
  EXPECT_EQ(Compare(SortKind::Address, L"9.0.0.1", L"10.0.0.1"), -1);
  EXPECT_EQ(Compare(SortKind::Address, L"192.168.1.20", L"192.168.1.3"), 1);
  EXPECT_EQ(Compare(SortKind::Address, L"localhost", L"127.0.0.1"), 0);
  EXPECT_EQ(Compare(SortKind::Address, L"localhost", L"127.0.0.2"), -1);
  EXPECT_EQ(Compare(SortKind::Address, L"255.255.255.255", L"::"), -1);
  EXPECT_EQ(Compare(SortKind::Address, L"::", L"::1"), -1);
  EXPECT_EQ(Compare(SortKind::Address, L"::1", L"fe80::1"), -1);
  EXPECT_EQ(Compare(SortKind::Address, L"2001:db8::1", L"2001:DB8:0:0:0:0:0:1"), 0);
  EXPECT_EQ(Compare(SortKind::Address, L"2001:db8::9", L"2001:db8::10"), -1);  // hex groups, not text
  EXPECT_EQ(Compare(SortKind::Address, L"fe80::1%2", L"fe80::1%10"), -1);
  EXPECT_EQ(Compare(SortKind::Address, L"fe80::1", L"fe80::1%1"), -1);
  EXPECT_EQ(Compare(SortKind::Address, L"::ffff:1.2.3.4", L"::ffff:1.2.3.5"), -1);
  EXPECT_EQ(Compare(SortKind::Address, L"1:2:3:4:5:6:7:8", L"1:2:3:4:5:6:7::"), 1);
}

TEST(SortKeys, TextThatIsNoAddressSortsAfterEveryAddress) {
  for (const wchar_t* bad : {L"", L"1.2.3", L"1.2.3.256", L"1.2.3.4.5", L"1:2:3", L"1::2::3", L":::", L"12345::",
                             L"1:2:3:4:5:6:7:8:9", L"::1%", L"::1%x", L"fe80::g", L"a.b.c.d"}) {
    EXPECT_FALSE(ParseAddress(bad)) << bad;
    EXPECT_EQ(Compare(SortKind::Address, bad, L"ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff"), 1) << bad;
  }
  EXPECT_EQ(Compare(SortKind::Address, L"*", L"?"), Compare(SortKind::Text, L"*", L"?"));
}

TEST(SortKeys, TextIgnoresCase) {
  EXPECT_EQ(Compare(SortKind::Text, L"abc.exe", L"ABC.EXE"), 0);
  EXPECT_EQ(Compare(SortKind::Text, L"Beta.exe", L"alpha.exe"), 1);
  EXPECT_EQ(Compare(SortKind::Text, L"", L"a"), -1);
}

}  // namespace
