#include "WineProcRowSource.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

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

const char kNetTcp6[] =
    "  sl  local_address                         remote_address                        st tx_queue rx_queue\n"
    "   0: 00000000000000000000000001000000:1F90 00000000000000000000000000000000:0000 0A 0:0 0:0 0 0 0 8002 1\n"
    "   1: 00000000000000000000000000000000:0016 00000000000000000000000000000000:0000 0A 0:0 0:0 0 0 0 8001 1\n";

TEST(WineProcRowSource, GivesTheIPv6RowsSortedWithTheirOwnersAndNoneWithoutTheFile) {
  auto proc = std::make_unique<FakeProcFs>();
  FakeProcFs& files = *proc;
  proc->Put(L"net\\tcp", "");
  proc->AddProcess(900, "server", {8001, 8002});
  WineProcRowSource source(std::move(proc));
  std::vector<unsigned char> table;
  ASSERT_TRUE(source.Fetch6(table));
  EXPECT_TRUE(Table6Rows(table).empty());

  files.Put(L"net\\tcp6", kNetTcp6);
  ASSERT_TRUE(source.Fetch6(table));
  const std::vector<Tcp6Row> rows = Table6Rows(table);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(PortNumber(rows[0].localPort), 22);  // :: sorts before ::1
  EXPECT_EQ(PortNumber(rows[1].localPort), 8080);
  EXPECT_EQ(rows[0].pid, 900u);
  EXPECT_EQ(rows[1].pid, 900u);
}

// A table read only in part (a read cut short, a line broken off) is a failed
// snapshot: a partial one would make every connection after the cut look gone.
TEST(WineProcRowSource, ATableNotReadWholeIsAFailedSnapshot) {
  const std::string heading = "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid\n";
  const std::string line = "   0: 0100007F:0050 0100007F:9C40 01 0:0 0:0 0 0 0 7002 1\n";
  const std::string cut[] = {heading + line.substr(0, 30), heading + line.substr(0, line.size() - 1),
                             heading + line.substr(0, 30) + "\n" + line};
  for (const std::string& text : cut) {
    auto proc = std::make_unique<FakeProcFs>();
    proc->Put(L"net\\tcp", text);
    proc->Put(L"net\\tcp6", text);
    WineProcRowSource source(std::move(proc));
    std::vector<unsigned char> table;
    EXPECT_FALSE(source.Fetch(table)) << text;
  }

  auto proc = std::make_unique<FakeProcFs>();
  FakeProcFs& files = *proc;
  proc->Put(L"net\\tcp", heading + line);
  proc->Put(L"net\\tcp6", kNetTcp6);
  WineProcRowSource source(std::move(proc));
  std::vector<unsigned char> table;
  EXPECT_TRUE(source.Fetch(table));
  files.Put(L"net\\tcp6", std::string(kNetTcp6).substr(0, 150));
  EXPECT_FALSE(source.Fetch6(table));
  files.Put(L"net\\tcp6", kNetTcp6);
  files.unreadable.insert(L"net\\tcp6");
  EXPECT_FALSE(source.Fetch6(table)) << "a tcp6 file that is there but cannot be read";
  files.unreadable.insert(L"net\\tcp");
  EXPECT_FALSE(source.Fetch(table));
}

TEST(WineProcRowSource, ASteadyRefreshOfBothTablesReadsNoDescriptors) {
  auto proc = std::make_unique<FakeProcFs>();
  FakeProcFs& files = *proc;
  proc->Put(L"net\\tcp", "   0: 00000000:0050 00000000:0000 0A 0:0 0:0 0 0 0 7001 1\n");
  proc->Put(L"net\\tcp6", kNetTcp6);
  proc->AddProcess(900, "server", {7001, 8001, 8002});
  WineProcRowSource source(std::move(proc));
  std::vector<unsigned char> table;
  ASSERT_TRUE(source.Fetch(table));
  ASSERT_TRUE(source.Fetch6(table));
  const int learnt = files.fdReads;
  ASSERT_GT(learnt, 0);
  for (int refresh = 0; refresh < 3; ++refresh) {
    ASSERT_TRUE(source.Fetch(table));
    EXPECT_EQ(TableRows(table).at(0).pid, 900u);
    ASSERT_TRUE(source.Fetch6(table));
    EXPECT_EQ(Table6Rows(table).at(1).pid, 900u);
  }
  EXPECT_EQ(files.fdReads, learnt);
}

TEST(WineProcRowSource, NamesWindowsProgramsByTheirWindowsPathNotByTheLoader) {
  auto proc = std::make_unique<FakeProcFs>();
  FakeProcFs& files = *proc;
  const std::string wineArgs = std::string("C:\\windows\\system32\\winedevice.exe") + '\0';
  files.executables = {{10, L"Z:\\usr\\lib\\wine\\wine64"},
                       {11, L"Z:\\usr\\lib\\wine\\wine"},
                       {12, L"Z:\\usr\\lib\\wine\\wine64-preloader"},
                       {13, L"Z:\\usr\\lib\\wine\\wine"},
                       {14, L"Z:\\usr\\lib\\wine\\wine"},
                       {15, L"Z:\\usr\\bin\\python3.11"}};
  files.Put(L"10\\cmdline", std::string("Z:\\work\\\xE5\xB7\xA5\\lumora.exe") + '\0');
  files.Put(L"11\\cmdline", wineArgs + "-k" + '\0' + "x" + '\0');
  files.Put(L"12\\cmdline", std::string("build/app/lumora.exe") + '\0');
  files.Put(L"13\\cmdline", std::string("start.exe") + '\0' + "/exec" + '\0');  // no path to name it by
  // 14 has no readable command line: the process went away.
  files.Put(L"15\\cmdline", std::string("C:\\not\\this.exe") + '\0');
  WineProcRowSource source(std::move(proc));
  EXPECT_EQ(source.ProcessPath(10), L"Z:\\work\\\u5DE5\\lumora.exe");
  EXPECT_EQ(source.ProcessPath(11), L"C:\\windows\\system32\\winedevice.exe");
  EXPECT_EQ(source.ProcessPath(12), L"build\\app\\lumora.exe");
  EXPECT_EQ(source.ProcessPath(13), L"Z:\\usr\\lib\\wine\\wine");
  EXPECT_EQ(source.ProcessPath(14), L"Z:\\usr\\lib\\wine\\wine");
  EXPECT_EQ(source.ProcessPath(15), L"Z:\\usr\\bin\\python3.11");
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

uint16_t LocalPort6(SOCKET s) {
  sockaddr_in6 address{};
  int length = sizeof(address);
  getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
  return ntohs(address.sin6_port);
}

// A listening IPv6 socket on address, any port; dual-stack unless v6Only.
SOCKET Listen6(const in6_addr& address, bool v6Only) {
  const SOCKET s = socket(AF_INET6, SOCK_STREAM, IPPROTO_TCP);
  const DWORD only = v6Only ? 1 : 0;
  setsockopt(s, IPPROTO_IPV6, IPV6_V6ONLY, reinterpret_cast<const char*>(&only), sizeof(only));
  sockaddr_in6 local{};
  local.sin6_family = AF_INET6;
  local.sin6_addr = address;
  if (bind(s, reinterpret_cast<sockaddr*>(&local), sizeof(local)) != 0 || listen(s, 1) != 0) {
    closesocket(s);
    return INVALID_SOCKET;
  }
  return s;
}

std::wstring OwnFileName() {
  wchar_t own[MAX_PATH];
  GetModuleFileNameW(nullptr, own, MAX_PATH);
  return TextAfterLast(own, L"\\");
}

const Tcp6Row* FindRow6(const std::vector<Tcp6Row>& rows, const std::wstring& local, uint16_t port, uint16_t remote) {
  const auto found = std::find_if(rows.begin(), rows.end(), [&](const Tcp6Row& row) {
    return Address6Text(row.localAddr, row.localScopeId) == local && PortNumber(row.localPort) == port &&
           PortNumber(row.remotePort) == remote;
  });
  return found == rows.end() ? nullptr : &*found;
}

// Under Wine a socket that only the Wine server holds (a listener the program
// never reads from) is the server's; the one the program writes on is its own.
TEST(SystemRowSource, UnderWineShowsIPv6AndDualStackListenersAndThisProgramByName) {
  if (!RunningUnderWine()) GTEST_SKIP() << "needs Wine";
  Winsock winsock;
  Socket loopback, dual, client, client6, accepted;
  loopback.s = Listen6(in6addr_loopback, true);
  dual.s = Listen6(in6addr_any, false);
  ASSERT_NE(loopback.s, INVALID_SOCKET);
  ASSERT_NE(dual.s, INVALID_SOCKET);
  const uint16_t loopbackPort = LocalPort6(loopback.s);
  const uint16_t dualPort = LocalPort6(dual.s);
  // An IPv4 client of the dual-stack listener meets it under a mapped address.
  client.s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(dualPort);
  ASSERT_EQ(connect(client.s, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  accepted.s = accept(dual.s, nullptr, nullptr);
  ASSERT_NE(accepted.s, INVALID_SOCKET);
  client6.s = socket(AF_INET6, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in6 address6{};
  address6.sin6_family = AF_INET6;
  address6.sin6_addr = in6addr_loopback;
  address6.sin6_port = htons(loopbackPort);
  ASSERT_EQ(connect(client6.s, reinterpret_cast<sockaddr*>(&address6), sizeof(address6)), 0);
  ASSERT_EQ(send(client6.s, "x", 1, 0), 1);

  std::unique_ptr<TcpRowSource> source = SystemRowSource();
  std::vector<unsigned char> table;
  ASSERT_TRUE(source->Fetch6(table));
  const std::vector<Tcp6Row> rows = Table6Rows(table);
  EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end(), System6Order));
  const Tcp6Row* onLoopback = FindRow6(rows, L"::1", loopbackPort, 0);
  const Tcp6Row* onAny = FindRow6(rows, L"::", dualPort, 0);
  const Tcp6Row* incoming = FindRow6(rows, L"127.0.0.1", dualPort, LocalPort(client.s));
  const Tcp6Row* outgoing = FindRow6(rows, L"::1", LocalPort6(client6.s), loopbackPort);
  for (const Tcp6Row* row : {onLoopback, onAny, incoming, outgoing}) {
    ASSERT_NE(row, nullptr);
    EXPECT_NE(row->pid, 0u);
  }
  EXPECT_EQ(StateText(onLoopback->state), L"监听");
  EXPECT_EQ(StateText(onAny->state), L"监听");
  EXPECT_EQ(StateText(incoming->state), L"已建立");
  EXPECT_EQ(TextAfterLast(source->ProcessPath(outgoing->pid), L"\\"), OwnFileName());
}

}  // namespace
