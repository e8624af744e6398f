#include "ProcText.h"

#include <gtest/gtest.h>

#include "ConnectionText.h"

namespace {

const char kNetTcp[] =
    "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode\n"
    "   0: 0100007F:1F90 00000000:0000 0A 00000000:00000000 00:00000000 00000000     0        0 50200 1 "
    "0000000069fe9a9d 100 0 0 10 0\n"
    "   1: 0A00A8C0:CA1C 0100007F:01BB 01 00000000:00000000 00:00000000 00000000  1000        0 50201 2 "
    "000000004b62dd69 20 0 0 11 -1\n"
    "   2: 0100007F:83ED 0100007F:CA1C 06 00000000:00000000 03:00001540 00000000     0        0 0 3 "
    "00000000b6cf2c24\n"
    "   3: garbage line\n";

TEST(ParseProcNetTcp, ProducesTheBytesTheSystemTableHolds) {
  const std::vector<ProcTcpEntry> entries = ParseProcNetTcp(kNetTcp);
  ASSERT_EQ(entries.size(), 3u);

  const TcpRow& listener = entries[0].row;
  EXPECT_EQ(AddressText(listener.localAddr), L"127.0.0.1");
  const unsigned char* port = reinterpret_cast<const unsigned char*>(&listener.localPort);
  EXPECT_EQ(port[0], 0x1F);
  EXPECT_EQ(port[1], 0x90);
  EXPECT_EQ(port[2] | port[3], 0);
  EXPECT_EQ(listener.remoteAddr, 0u);
  EXPECT_EQ(listener.remotePort, 0u);
  EXPECT_EQ(listener.state, 2u);  // listen
  EXPECT_EQ(listener.pid, 0u);
  EXPECT_EQ(entries[0].inode, 50200u);

  const TcpRow& client = entries[1].row;
  EXPECT_EQ(AddressText(client.localAddr), L"192.168.0.10");
  EXPECT_EQ(PortNumber(client.localPort), 0xCA1C);
  EXPECT_EQ(PortNumber(client.remotePort), 443);
  EXPECT_EQ(client.state, 5u);  // established

  EXPECT_EQ(entries[2].row.state, 11u);  // time wait
  EXPECT_EQ(entries[2].inode, 0u);
}

TEST(ParseProcNetTcp6, RestoresTheAddressBytesOfEachWord) {
  const std::vector<ProcTcp6Entry> entries = ParseProcNetTcp6(
      "  sl  local_address                         remote_address                        st tx_queue rx_queue tr "
      "tm->when retrnsmt   uid  timeout inode\n"
      "   0: 00000000000000000000000000000000:B867 00000000000000000000000000000000:0000 0A 00000000:00000000 "
      "00:00000000 00000000     0        0 61001 1 0000000000000000 100 0 0 10 0\n"
      "   1: 00000000000000000000000001000000:1F90 00000000000000000000000001000000:D431 01 00000000:00000000 "
      "00:00000000 00000000  1000        0 61002 1 0000000000000000 20 4 30 10 -1\n"
      "   2: 0000000000000000FFFF00000100007F:B867 0000000000000000FFFF00000100007F:9C41 01 00000000:00000000 "
      "00:00000000 00000000  1000        0 61003 1 0000000000000000 20 4 30 10 -1\n"
      "   3: 000080FE00000000FF2B1A025E4D3CFE:0016 000080FE000000000000000001000000:C350 08 00000000:00000000 "
      "00:00000000 00000000  1000        0 61004 1 0000000000000000 20 4 30 10 -1\n"
      "   4: 0000000000000000FFFF00000100007F:B867 short:0000 01 0:0 0:0 0 0 0 1 1\n");
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(Address6Text(entries[0].row.localAddr, 0), L"::");
  EXPECT_EQ(PortNumber(entries[0].row.localPort), 47207);
  EXPECT_EQ(entries[0].row.state, 2u);
  EXPECT_EQ(entries[0].inode, 61001u);
  EXPECT_EQ(Address6Text(entries[1].row.localAddr, 0), L"::1");
  EXPECT_EQ(PortNumber(entries[1].row.remotePort), 54321);
  EXPECT_EQ(entries[1].row.state, 5u);
  EXPECT_EQ(Address6Text(entries[2].row.remoteAddr, 0), L"127.0.0.1");
  EXPECT_EQ(Address6Text(entries[3].row.localAddr, 0), L"fe80::21a:2bff:fe3c:4d5e");
  EXPECT_EQ(Address6Text(entries[3].row.remoteAddr, 0), L"fe80::1");
  EXPECT_EQ(entries[3].row.localScopeId, 0u);
  EXPECT_EQ(entries[3].row.state, 8u);  // close wait
  EXPECT_EQ(entries[3].row.pid, 0u);
}

TEST(ParseFdInfo, ReadsTheDescriptorsOwnInodeAndMountOnly) {
  FdInfo info;
  ASSERT_TRUE(ParseFdInfo("pos:\t0\nflags:\t02\nmnt_id:\t10\nino:\t49549\n", info));
  EXPECT_EQ(info.inode, 49549u);
  EXPECT_EQ(info.mountId, 10u);

  // An epoll descriptor lists the inodes it watches further down.
  ASSERT_TRUE(ParseFdInfo("pos:\t0\nflags:\t02\nmnt_id:\t17\nino:\t1038\n"
                          "tfd:        6 events:       19 data:     56489ed097b0  pos:0 ino:c18d sdev:9\n",
                          info));
  EXPECT_EQ(info.inode, 1038u);

  EXPECT_FALSE(ParseFdInfo("pos:\t0\nflags:\t02\nmnt_id:\t10\n", info));
}

TEST(ParseMountIds, TakesTheFirstFieldOfEachLine) {
  const std::unordered_set<uint64_t> ids =
      ParseMountIds("22 27 0:21 / /proc rw,relatime - proc proc rw\n27 1 8:1 / / rw - ext4 /dev/sda1 rw\n");
  EXPECT_EQ(ids, (std::unordered_set<uint64_t>{22, 27}));
}

}  // namespace
