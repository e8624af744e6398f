#include "TcpTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "TestRows.h"

namespace {

TEST(TableRows, ReadsTheCountedRowsButNoMoreThanTheBufferHolds) {
  const std::vector<TcpRow> rows = {MakeRow(1, {1, 2, 3, 4}, 5, {6, 7, 8, 9}, 10),
                                    MakeRow(2, {11, 12, 13, 14}, 15, {16, 17, 18, 19}, 20)};
  std::vector<unsigned char> table = TableBytes(rows);
  ASSERT_EQ(table.size(), 4u + 2 * 24);
  EXPECT_EQ(table[4 + 24 + 4], 11);  // second row's local address starts with its first octet
  EXPECT_EQ(table[4 + 24 + 8], 0);   // port 15 in network order: high byte first
  EXPECT_EQ(table[4 + 24 + 9], 15);

  std::vector<TcpRow> back = TableRows(table);
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(std::memcmp(back.data(), rows.data(), sizeof(TcpRow) * 2), 0);

  table[0] = 200;  // a count beyond the buffer
  EXPECT_EQ(TableRows(table).size(), 2u);
  table.resize(4 + 24 + 10);
  EXPECT_EQ(TableRows(table).size(), 1u);
  EXPECT_TRUE(TableRows({1, 0}).empty());
}

TEST(SystemOrder, ComparesAddressesAndPortsAsNumbersFieldByField) {
  std::vector<TcpRow> rows = {
      MakeRow(1, {127, 0, 0, 1}, 80, {0, 0, 0, 0}, 0),
      MakeRow(2, {10, 0, 0, 2}, 80, {0, 0, 0, 0}, 0),
      MakeRow(3, {9, 255, 255, 255}, 80, {0, 0, 0, 0}, 0),
      MakeRow(4, {127, 0, 0, 1}, 256, {0, 0, 0, 0}, 0),
      MakeRow(5, {127, 0, 0, 1}, 255, {0, 0, 0, 0}, 0),
      MakeRow(6, {127, 0, 0, 1}, 80, {127, 0, 0, 1}, 9000),
      MakeRow(7, {127, 0, 0, 1}, 80, {127, 0, 0, 1}, 300),
      MakeRow(8, {200, 0, 0, 1}, 1, {0, 0, 0, 0}, 0),
  };
  std::sort(rows.begin(), rows.end(), SystemOrder);
  std::vector<uint32_t> pids;
  for (const TcpRow& row : rows) pids.push_back(row.pid);
  EXPECT_EQ(pids, (std::vector<uint32_t>{3, 2, 1, 7, 6, 5, 4, 8}));
}

TEST(System6Order, ComparesTheSixteenByteAddressesAndThePortNumbers) {
  const Address6 any{0, 0, 0, 0, 0, 0, 0, 0};
  const Address6 loopback{0, 0, 0, 0, 0, 0, 0, 1};
  std::vector<Tcp6Row> rows = {
      MakeRow6(1, Address6{0xFE80, 0, 0, 0, 0, 0, 0, 1}, 80, any, 0),
      MakeRow6(2, Address6{0, 0, 0, 0, 0, 0xFFFF, 0x7F00, 1}, 80, any, 0),
      MakeRow6(3, loopback, 256, any, 0),
      MakeRow6(4, loopback, 255, any, 0),
      MakeRow6(5, loopback, 255, loopback, 300),
      MakeRow6(6, loopback, 255, loopback, 9000),
      MakeRow6(7, any, 65535, any, 0),
  };
  std::sort(rows.begin(), rows.end(), System6Order);
  std::vector<uint32_t> pids;
  for (const Tcp6Row& row : rows) pids.push_back(row.pid);
  EXPECT_EQ(pids, (std::vector<uint32_t>{7, 4, 5, 6, 3, 2, 1}));
}

}  // namespace
