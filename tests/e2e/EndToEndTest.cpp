// The real program against a loopback reminder service, driven from outside
// with window messages only: mark a connection, start, drop it, get reminded
// after the service turned the first reminder away with "queue full".
#include <atomic>
#include <regex>

#include "HistoryFile.h"
#include "LoopbackHttpServer.h"
#include "ProgramDriver.h"

namespace {

using namespace std::chrono_literals;

size_t Count(const std::vector<LoopbackHttpServer::Request>& requests, const std::string& prefix) {
  size_t count = 0;
  for (const auto& request : requests) count += request.target.starts_with(prefix);
  return count;
}

}  // namespace

TEST(EndToEnd, DroppedConnectionBecomesExactlyOneAcknowledgedReminder) {
  std::atomic<int> reminders{0};
  LoopbackHttpServer service(
      [&](const LoopbackHttpServer::Request& request) {
        if (request.target.starts_with("/velmor305/tx.asp") && reminders++ == 0) {
          return LoopbackHttpServer::Reply(503, "text/plain; charset=utf-8", "提醒队列已满，请稍后再试");
        }
        const bool off = request.target.starts_with("/velmor305/checkoff.asp");
        const bool tips = request.target.starts_with("/velmor305/tips.asp");
        const bool check = request.target.starts_with("/velmor305/config.asp");
        return LoopbackHttpServer::Reply(200, "text/plain; charset=utf-8", off ? "已停止" : tips || check ? "" : "ok");
      },
      LUMORA_E2E_SERVICE_PORT);
  Listener watched;
  DeleteFileW(HistoryPath().c_str());
  Program lumora(LUMORA_E2E_PROGRAM);

  HWND main = nullptr;
  ASSERT_TRUE(WaitFor(30s, [&] { return (main = FindProcessWindow(lumora.Id(), L"掉线Lumora3.0.5")) != nullptr; }));
  HWND control = GetDlgItem(main, kLvInfo);
  HWND list = FindWindowExW(control, nullptr, WC_LISTVIEWW, nullptr);
  HWND strip = GetDlgItem(main, kTlbCommand);
  ASSERT_TRUE(list && strip);

  // The window shows before its first snapshot has filled the list.
  const std::wstring port = std::to_wstring(watched.Port());
  int row = -1;
  int rows = 0;
  WaitFor(30s, [&] {
    rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < rows && row < 0; ++i) {
      if (RemoteItemText(lumora.Handle(), list, i, 4) == port) row = i;
    }
    return row >= 0;
  });
  ASSERT_GE(row, 0) << "the test's own listener is not in the list of " << rows << " rows";

  ASSERT_TRUE(RemoteSelect(lumora.Handle(), list, row));
  const RECT cell = RemoteItemRect(lumora.Handle(), list, row);
  const LPARAM at = MAKELPARAM(cell.left + 4, (cell.top + cell.bottom) / 2);
  PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(list, WM_LBUTTONUP, 0, at);
  PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  PostMessageW(list, WM_LBUTTONUP, 0, at);
  HWND box = nullptr;
  ASSERT_TRUE(WaitFor(10s, [&] { return (box = FindProcessWindow(lumora.Id(), L"备注")) != nullptr; }));
  const std::wstring remark = L"数据库 & 备份";
  HWND edit = FindWindowExW(box, nullptr, L"Edit", nullptr);
  SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(remark.c_str()));
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitFor(10s, [&] { return RemoteItemText(lumora.Handle(), list, row, 7) == remark; }));

  SendMessageW(GetDlgItem(strip, kTxtwxid), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"me@qq.com"));
  SendMessageW(GetDlgItem(strip, kPwd), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"code1"));
  HWND start = GetDlgItem(strip, kCommand1);
  PostMessageW(main, WM_COMMAND, MAKEWPARAM(kCommand1, BN_CLICKED), reinterpret_cast<LPARAM>(start));
  ASSERT_TRUE(WaitFor(10s, [&] { return Count(service.Requests(), "/velmor305/checkon.asp") == 1; }));
  HWND watchList = GetDlgItem(strip, kList1);
  EXPECT_EQ(ListBoxLine(watchList, 1), L" 电脑标识：1  ，状态：监控中  ，端口：" + port + L"备注 " + remark);

  watched.Close();
  const std::string reminder = "/velmor305/tx.asp?wxid=me%40qq.com&port=" + std::string(port.begin(), port.end()) +
                               "%u5907%u6CE8%20%u6570%u636E%u5E93%20%26%20%u5907%u4EFD&cpid=1&pwd=code1";
  const std::wstring line = L" 电脑标识：1  ，状态：监控中  ，端口：" + port + L"备注 " + remark;
  ASSERT_TRUE(WaitFor(40s, [&] { return Count(service.Requests(), "/velmor305/tx.asp") == 1; }));
  EXPECT_TRUE(WaitFor(5s, [&] { return ListBoxLine(watchList, 1) == line + L"，提醒状态：待服务确认"; }))
      << "the turned-away reminder waits for the next tick";

  // The next tick sends it again, and the service takes it.
  ASSERT_TRUE(WaitFor(30s, [&] { return Count(service.Requests(), "/velmor305/tx.asp") == 2; }));
  EXPECT_EQ(Count(service.Requests(), reminder), 2u);
  EXPECT_TRUE(WaitFor(5s, [&] { return ListBoxLine(watchList, 1) == line + L"，提醒状态：已提醒"; }))
      << ListBoxLine(watchList, 1);

  // The history holds the drop and the acknowledgement with their times, and
  // its window shows them.
  const std::wstring entry = port + L"备注 " + remark;
  std::vector<std::vector<std::wstring>> history;
  EXPECT_TRUE(WaitFor(5s, [&] { return !HistoryTime(history = HistoryLines(), L"提醒已确认", entry).empty(); }));
  const std::wstring dropped = HistoryTime(history, L"确认断开", entry);
  const std::wstring acknowledged = HistoryTime(history, L"提醒已确认", entry);
  const std::wregex iso(L"\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d[+-]\\d\\d:\\d\\d");
  EXPECT_TRUE(std::regex_match(dropped, iso)) << dropped;
  EXPECT_TRUE(std::regex_match(acknowledged, iso)) << acknowledged;
  EXPECT_LE(dropped, acknowledged);
  PostMessageW(main, WM_COMMAND, kMenuHistory, 0);
  HWND historyWindow = nullptr;
  ASSERT_TRUE(WaitFor(10s, [&] { return (historyWindow = FindProcessWindow(lumora.Id(), L"历史")) != nullptr; }));
  HWND historyList = FindWindowExW(GetDlgItem(historyWindow, 1), nullptr, WC_LISTVIEWW, nullptr);
  std::vector<std::wstring> shown;
  for (int i = 0; i < static_cast<int>(SendMessageW(historyList, LVM_GETITEMCOUNT, 0, 0)); ++i) {
    shown.push_back(RemoteItemText(lumora.Handle(), historyList, i, 1) + L"|" +
                    RemoteItemText(lumora.Handle(), historyList, i, 2));
  }
  EXPECT_NE(std::find(shown.begin(), shown.end(), L"确认断开|" + entry), shown.end());
  EXPECT_NE(std::find(shown.begin(), shown.end(), L"提醒已确认|" + entry), shown.end());
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.front(), L"提醒已确认|" + entry) << "newest first";

  // One more tick: the heartbeat comes again, the acknowledged reminder does not.
  const size_t heartbeats = Count(service.Requests(), "/velmor305/checkon.asp");
  ASSERT_TRUE(WaitFor(30s, [&] { return Count(service.Requests(), "/velmor305/checkon.asp") == heartbeats + 1; }));
  EXPECT_EQ(Count(service.Requests(), "/velmor305/tx.asp"), 2u);
  EXPECT_EQ(ListBoxLine(watchList, 1), line + L"，提醒状态：已提醒");

  PostMessageW(main, WM_COMMAND, MAKEWPARAM(kCommand1, BN_CLICKED), reinterpret_cast<LPARAM>(start));
  ASSERT_TRUE(WaitFor(10s, [&] { return Count(service.Requests(), "/velmor305/checkoff.asp") == 1; }));

  PostMessageW(main, WM_CLOSE, 0, 0);
  HWND confirm = nullptr;
  ASSERT_TRUE(WaitFor(10s, [&] { return (confirm = FindProcessWindow(lumora.Id(), L"提示")) != nullptr; }));
  PostMessageW(confirm, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitFor(10s, [&] { return Count(service.Requests(), "/velmor305/checkoff.asp") == 2; }));
  EXPECT_TRUE(lumora.Ended(10000));
}
