// The real program with its remark box left open: the watched socket closes
// meanwhile, and the reminder still reaches the service on time.
#include <atomic>

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

TEST(EndToEnd, AnOpenRemarkBoxHoldsNoReminderBack) {
  LoopbackHttpServer service(
      [](const LoopbackHttpServer::Request& request) {
        const bool off = request.target.starts_with("/velmor305/checkoff.asp");
        const bool quiet = request.target.starts_with("/velmor305/tips.asp") ||
                           request.target.starts_with("/velmor305/config.asp");
        return LoopbackHttpServer::Reply(200, "text/plain; charset=utf-8", off ? "已停止" : quiet ? "" : "ok");
      },
      LUMORA_E2E_SERVICE_PORT);
  Listener watched;
  Listener other;
  Program lumora(LUMORA_E2E_PROGRAM);
  const MainWindow window = MainWindow::Find(lumora);
  ASSERT_TRUE(window.main && window.list && window.strip);
  // The window shows before its first snapshot has filled the list.
  ASSERT_TRUE(WaitFor(30s, [&] { return MarkPort(lumora, window, watched.Port(), L"db"); }));
  FillAccount(window, L"me@qq.com", L"code1");
  window.Press(kCommand1);
  ASSERT_TRUE(WaitFor(10s, [&] { return Count(service.Requests(), "/velmor305/checkon.asp") == 1; }));

  // A double-click on another row, right behind F5, opens the remark box while
  // the refresh is under way, and the box stays open.
  const std::wstring otherPort = std::to_wstring(other.Port());
  int row = -1;
  for (int i = 0; i < static_cast<int>(SendMessageW(window.list, LVM_GETITEMCOUNT, 0, 0)) && row < 0; ++i) {
    if (RemoteItemText(lumora.Handle(), window.list, i, 4) == otherPort) row = i;
  }
  ASSERT_GE(row, 0);
  ASSERT_TRUE(RemoteSelect(lumora.Handle(), window.list, row));
  const RECT cell = RemoteItemRect(lumora.Handle(), window.list, row);
  const LPARAM at = MAKELPARAM(cell.left + 4, (cell.top + cell.bottom) / 2);
  PostMessageW(window.list, WM_KEYDOWN, VK_F5, 0x003F0001);
  PostMessageW(window.list, WM_KEYUP, VK_F5, 0xC03F0001);
  PostMessageW(window.list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  PostMessageW(window.list, WM_LBUTTONUP, 0, at);
  HWND box = nullptr;
  ASSERT_TRUE(WaitFor(10s, [&] { return (box = FindProcessWindow(lumora.Id(), L"备注")) != nullptr; }));

  watched.Close();
  const std::string reminder = "/velmor305/tx.asp?wxid=me%40qq.com&port=" + std::to_string(watched.Port()) +
                               "%u5907%u6CE8%20db&cpid=1&pwd=code1";
  // The first tick comes 20 s after the start; its check and confirmation
  // follow within seconds.
  EXPECT_TRUE(WaitFor(40s, [&] { return Count(service.Requests(), reminder) == 1; }));
  EXPECT_TRUE(IsWindow(box) && IsWindowVisible(box)) << "the box was open all along";
  EXPECT_GE(Count(service.Requests(), "/velmor305/checkon.asp"), 2u);

  PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
  ASSERT_TRUE(WaitFor(10s, [&] { return !IsWindow(box); }));
  window.Press(kCommand1);
  ASSERT_TRUE(WaitFor(10s, [&] { return Count(service.Requests(), "/velmor305/checkoff.asp") == 1; }));
  EXPECT_TRUE(CloseProgram(lumora, window));
}
