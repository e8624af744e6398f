#include "MainWindowFixture.h"

namespace {

unsigned short ClosedPort() {
  LoopbackHttpServer gone([](const LoopbackHttpServer::Request&) { return std::optional<std::string>(); });
  return gone.Port();
}

std::wstring Caption(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  return text;
}

}  // namespace

TEST_F(MainWindowTest, LoadWithTheServiceUnreachable) {
  Open(L"127.0.0.1:" + std::to_wstring(ClosedPort()));
  EXPECT_EQ(Caption(form->hWnd()), L"掉线Lumora3.0.5");
  ASSERT_EQ(form->List1().Count(), 1);
  EXPECT_EQ(form->List1().Line(0), L"监控列表：");
  EXPECT_EQ(form->txtwxid().Text(), L"XXXX@qq.com");
  EXPECT_EQ(form->cpid().Text(), L"1");
  EXPECT_EQ(form->Command1().Text(), L"开始/停止");
  EXPECT_EQ(form->TipsWindow().hWnd(), nullptr);
  EXPECT_EQ(form->k(), 0);
  EXPECT_FALSE(form->ringon());
  EXPECT_EQ(form->localring(), 1);
  EXPECT_NE(form->StatusBar().Text(0).find(L"服务拒绝连接"), std::wstring::npos) << form->StatusBar().Text(0);

  ucListView& list = form->lvInfo();
  const wchar_t* headers[] = {L"PID", L"进程", L"状态", L"本地IP", L"本地端口", L"远程IP", L"远程端口", L"备注"};
  const int widths[] = {70, 100, 70, 0, 70, 0, 0, 70};
  ASSERT_EQ(list.ColumnCount(), 8);
  for (int column = 0; column < 8; ++column) {
    EXPECT_EQ(list.ColumnText(column), headers[column]);
    EXPECT_EQ(list.ColumnWidth(column), widths[column]);
  }
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.ItemText(0), L"100");
  EXPECT_EQ(list.SubItemText(0, 1), L"app100.exe");
  EXPECT_EQ(list.SubItemText(0, 3), L"localhost");
  EXPECT_EQ(list.SubItemText(0, 4), L"8080");
  EXPECT_EQ(list.SubItemText(2, 4), L"445");
}

TEST_F(MainWindowTest, LoadShowsTheTipsWhenTheServiceHasSome) {
  tips = "欢迎chr(10)第二行";
  Open();
  ASSERT_NE(form->TipsWindow().hWnd(), nullptr);
  EXPECT_EQ(form->TipsWindow().Text1().Text(), L"欢迎\r\n第二行");
  const auto targets = Targets();
  ASSERT_EQ(targets.size(), 2u);  // the load's probe and the tips window's own request
  EXPECT_EQ(targets[0], "/velmor305/tips.asp");
  EXPECT_EQ(targets[1], "/velmor305/tips.asp");
}

TEST_F(MainWindowTest, LoadWithoutTipsOpensNoWindow) {
  Open();
  EXPECT_EQ(form->TipsWindow().hWnd(), nullptr);
  EXPECT_EQ(Targets(), std::vector<std::string>{"/velmor305/tips.asp"});
}

TEST_F(MainWindowTest, DisconnectReportsTheSelectedPortAndRefreshes) {
  Open();
  form->cmdDisconnect_Click();
  EXPECT_TRUE(prompts.shown.empty());

  Mark(1, L"备注");
  const int fetches = rows->fetches;
  form->lvInfo().ItemSelected(1, true);
  form->cmdDisconnect_Click();
  Settle();
  ASSERT_EQ(prompts.shown.size(), 1u);
  EXPECT_EQ(prompts.shown[0].text, L"9090");
  EXPECT_EQ(prompts.shown[0].title, L"Lumora");
  EXPECT_EQ(rows->fetches, fetches + 1);
  EXPECT_EQ(form->lvInfo().SubItemText(1, 7), L"备注") << "the remark stays with its connection";
}

TEST_F(MainWindowTest, ClosingAsksFirstAndWithoutARunSignsNothingOff) {
  Open();
  FillAccount(L"me@qq.com", L"c&d", L"3");
  const size_t before = RequestCount();

  prompts.answers = {IDCANCEL};
  SendMessageW(form->hWnd(), WM_CLOSE, 0, 0);
  ASSERT_EQ(prompts.shown.size(), 1u);
  EXPECT_EQ(prompts.shown[0].text, L"你真的要退出吗?");
  EXPECT_EQ(prompts.shown[0].title, L"提示");
  EXPECT_EQ(prompts.shown[0].buttons & MB_TYPEMASK, static_cast<UINT>(MB_OKCANCEL));
  EXPECT_NE(form->hWnd(), nullptr);
  EXPECT_EQ(RequestCount(), before);

  prompts.answers = {IDOK};
  SendMessageW(form->hWnd(), WM_CLOSE, 0, 0);
  Settle();
  EXPECT_EQ(form->hWnd(), nullptr);
  EXPECT_TRUE(closed);
  // Nothing was started in this session: there is no computer to sign off.
  EXPECT_EQ(Targets(before), std::vector<std::string>{});
}

TEST_F(MainWindowTest, ResizingToTinySizesKeepsTheListBetweenTheFilterAndTheStatusBar) {
  Open();
  RECT strip;
  GetClientRect(form->tlbCommand(), &strip);
  RECT status;
  GetWindowRect(form->StatusBar().hWnd(), &status);
  ASSERT_GT(status.bottom - status.top, 0);
  for (SIZE size : {SIZE{600, 500}, SIZE{50, 20}, SIZE{1, 1}, SIZE{0, 0}}) {
    SendMessageW(form->hWnd(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(size.cx, size.cy));
    RECT list;
    GetWindowRect(form->lvInfo().hWnd(), &list);
    EXPECT_EQ(list.right - list.left, size.cx);
    const int above = strip.bottom + form->Filter().Height();
    EXPECT_EQ(list.bottom - list.top, std::max<LONG>(0, size.cy - above - (status.bottom - status.top)));
    RECT field;
    GetWindowRect(form->Filter().hField(), &field);
    EXPECT_LE(field.right - field.left, std::max<LONG>(0, size.cx));
  }
  SendMessageW(form->hWnd(), WM_SIZE, SIZE_MINIMIZED, 0);
  EXPECT_TRUE(IsWindow(form->lvInfo().hListView()));
}

TEST_F(MainWindowTest, PasswordWarningOnlyWhenTheFocusComesFromTheWindow) {
  Open();
  SetForegroundWindow(form->hWnd());
  SetFocus(form->txtwxid().hWnd());
  SetFocus(form->pwd().hWnd());
  DoEvents();
  ASSERT_EQ(prompts.shown.size(), 1u);
  EXPECT_EQ(prompts.shown[0].text, L"邮箱授权码并不是邮箱的登录密码！如果不清楚的，强烈建议看使用说明！！");
  EXPECT_EQ(prompts.shown[0].title, L"提示");

  // Focus coming back from a window that is not part of the main window.
  HWND other = CreateWindowExW(0, L"EDIT", L"", WS_POPUP | WS_VISIBLE, 0, 0, 50, 20, nullptr, nullptr, nullptr,
                               nullptr);
  SetFocus(other);
  SetFocus(form->pwd().hWnd());
  DoEvents();
  EXPECT_EQ(prompts.shown.size(), 1u);
  DestroyWindow(other);

  SetFocus(form->cpid().hWnd());
  SetFocus(form->pwd().hWnd());
  DoEvents();
  EXPECT_EQ(prompts.shown.size(), 2u);
}

TEST_F(MainWindowTest, FocusFromTheConnectionListAlsoWarns) {
  Open();
  SetForegroundWindow(form->hWnd());
  SetFocus(form->lvInfo().hListView());
  SetFocus(form->pwd().hWnd());
  DoEvents();
  EXPECT_EQ(prompts.shown.size(), 1u);
}
