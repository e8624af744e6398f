#include "WineProcRowSource.h"

#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "ConnectionText.h"
#include "FakeProcFs.h"

namespace {

TEST(WineProcRowSource, GivesTheRowsSortedWithTheirOwners) {
  auto proc = std::make_unique<FakeProcFs>();
  proc->Put(L"net\\tcp",
            "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode\n"
            "   0: 0100007F:0050 0100007F:9C40 01 0:0 0:0 0 0 0 7002 1\n"
            "   1: 00000000:0016 00000000:0000 0A 0:0 0:0 0 0 0 7001 1\n"
            "   2: 0100007F:0050 0100007F:1388 01 0:0 0:0 0 0 0 7003 1\n"
            "   3: 0100007F:1388 0100007F:0050 06 0:0 0:0 0 0 0 0 1\n");
  proc->AddProcess(900, "server", {7001, 7002, 7003});
  WineProcRowSource source(std::move(proc));

  std::vector<unsigned char> table;
  ASSERT_TRUE(source.Fetch(table));
  const std::vector<TcpRow> rows = TableRows(table);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(PortNumber(rows[0].localPort), 22);
  EXPECT_EQ(PortNumber(rows[1].remotePort), 5000);
  EXPECT_EQ(PortNumber(rows[2].remotePort), 40000);
  EXPECT_EQ(PortNumber(rows[3].localPort), 5000);
  EXPECT_EQ(rows[0].pid, 900u);
  EXPECT_EQ(rows[1].pid, 900u);
  EXPECT_EQ(rows[2].pid, 900u);
  EXPECT_EQ(rows[3].pid, 0u);  // time wait: no descriptor left
  EXPECT_EQ(source.ProcessPath(900), L"Z:\\bin\\prog900");
}

bool RunningUnderWine() {
  return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

class Winsock {
 public:
  Winsock() { WSAStartup(MAKEWORD(2, 2), &data_); }
  ~Winsock() { WSACleanup(); }

 private:
  WSADATA data_;
};

struct Socket {
  SOCKET s = INVALID_SOCKET;
  ~Socket() {
    if (s != INVALID_SOCKET) closesocket(s);
  }
};

uint16_t LocalPort(SOCKET s) {
  sockaddr_in address{};
  int length = sizeof(address);
  getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
  return ntohs(address.sin_port);
}

const TcpRow* FindRow(const std::vector<TcpRow>& rows, uint16_t local, uint16_t remote) {
  const auto found = std::find_if(rows.begin(), rows.end(), [&](const TcpRow& row) {
    return AddressText(row.localAddr) == L"127.0.0.1" && PortNumber(row.localPort) == local &&
           PortNumber(row.remotePort) == remote;
  });
  return found == rows.end() ? nullptr : &*found;
}

TEST(SystemRowSource, UnderWineShowsTheSocketsThisProcessOpensWithTheirOwners) {
  if (!RunningUnderWine()) GTEST_SKIP() << "needs Wine";
  Winsock winsock;
  Socket listener, client, accepted;
  listener.s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(listener.s, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  ASSERT_EQ(listen(listener.s, 1), 0);
  address.sin_port = htons(LocalPort(listener.s));
  client.s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  ASSERT_EQ(connect(client.s, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  accepted.s = accept(listener.s, nullptr, nullptr);
  ASSERT_NE(accepted.s, INVALID_SOCKET);
  const uint16_t serverPort = LocalPort(listener.s);
  const uint16_t clientPort = LocalPort(client.s);

  std::unique_ptr<TcpRowSource> source = SystemRowSource();
  std::vector<unsigned char> table;
  ASSERT_TRUE(source->Fetch(table));
  const std::vector<TcpRow> rows = TableRows(table);
  EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end(), SystemOrder));

  const TcpRow* listening = FindRow(rows, serverPort, 0);
  const TcpRow* outgoing = FindRow(rows, clientPort, serverPort);
  const TcpRow* incoming = FindRow(rows, serverPort, clientPort);
  ASSERT_NE(listening, nullptr);
  ASSERT_NE(outgoing, nullptr);
  ASSERT_NE(incoming, nullptr);
  EXPECT_EQ(listening->state, 2u);
  EXPECT_EQ(listening->remoteAddr, 0u);
  EXPECT_EQ(AddressText(outgoing->remoteAddr), L"127.0.0.1");
  for (const TcpRow* row : {listening, outgoing, incoming}) {
    EXPECT_NE(row->pid, 0u);
    EXPECT_FALSE(source->ProcessPath(row->pid).empty()) << row->pid;
  }

  // A second fetch with no new sockets finds the same owners from what it learnt.
  ASSERT_TRUE(source->Fetch(table));
  const std::vector<TcpRow> again = TableRows(table);
  const TcpRow* listeningAgain = FindRow(again, serverPort, 0);
  ASSERT_NE(listeningAgain, nullptr);
  EXPECT_EQ(listeningAgain->pid, listening->pid);
}

}  // namespace
