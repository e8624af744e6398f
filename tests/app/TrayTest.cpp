// The notification icon, minimising into it, the options' check box and the
// history window, on a real main window.
#include "MainWindowFixture.h"
#include "frmMainIds.h"

namespace {

std::wstring Scratch(const wchar_t* leaf) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp) + L"lumora-tray-test";
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring path = folder + L"\\" + leaf;
  DeleteFileW(path.c_str());
  DeleteFileW((path + L".1").c_str());
  return path;
}

LocalStamp At(WORD second) {
  LocalStamp stamp;
  stamp.local = {2026, 12, 4, 3, 9, 10, second, 0};
  stamp.offsetMinutes = 480;
  return stamp;
}

}  // namespace

class TrayTest : public MainWindowTest {
 protected:
  void Command(int id) {
    SendMessageW(form->hWnd(), WM_COMMAND, id, 0);
    Settle();
  }
  void TrayClick(UINT mouseMessage) { SendMessageW(form->hWnd(), frmMain::kTrayMessage, 1, mouseMessage); }
};

TEST_F(TrayTest, IconFromLoadToExitWithTheStateInItsTip) {
  Open();
  ASSERT_NE(form->TrayIcon(), nullptr);
  EXPECT_EQ(shell.Count(NIM_ADD), 1u);
  EXPECT_EQ(shell.calls[0].tip, L"Lumora：未监控");
  Mark(0, L"mail");
  Start();
  EXPECT_EQ(form->TrayIcon()->Tip(), L"Lumora：监控中，1 项");
  Press();
  EXPECT_EQ(form->TrayIcon()->Tip(), L"Lumora：未监控");
  EXPECT_EQ(shell.Count(NIM_DELETE), 0u);
  SendMessageW(form->hWnd(), WM_CLOSE, 0, 0);
  EXPECT_EQ(shell.Count(NIM_DELETE), 1u) << "the icon goes with the confirmation";
}

TEST_F(TrayTest, ARestartedShellGetsTheIconAgain) {
  shell.accept = false;  // no task bar yet
  Open();
  EXPECT_FALSE(form->TrayIcon()->Shown());
  shell.accept = true;
  SendMessageW(form->hWnd(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  EXPECT_TRUE(form->TrayIcon()->Shown());
  SendMessageW(form->hWnd(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  EXPECT_EQ(shell.Count(NIM_ADD), 3u);
  EXPECT_EQ(shell.calls.back().tip, L"Lumora：未监控");
}

TEST_F(TrayTest, MinimisingHidesTheWindowOnlyWithTheOptionAndAnIcon) {
  struct Case {
    const wchar_t* option;
    bool shellTakesIcon;
    bool hidden;
  } cases[] = {{L"0", true, false}, {L"1", true, true}, {L"1", false, false}, {L"", true, false}};
  settings = Settings(Scratch(L"minimise.ini"));
  for (const Case& c : cases) {
    form.reset();
    settings.Write(Form3::kMinimizeToTrayName, c.option);
    shell.accept = c.shellTakesIcon;
    Open();
    ShowWindow(form->hWnd(), SW_MINIMIZE);
    DoEvents();
    EXPECT_EQ(!IsWindowVisible(form->hWnd()), c.hidden) << c.option << " " << c.shellTakesIcon;
    TrayClick(WM_LBUTTONUP);
    EXPECT_TRUE(IsWindowVisible(form->hWnd()));
    EXPECT_FALSE(IsIconic(form->hWnd())) << "a click on the icon restores the window";
  }
}

TEST_F(TrayTest, OptionsCheckBoxIsRemembered) {
  settings = Settings(Scratch(L"options.ini"));
  Open();
  form->cf_Click();
  const CButton& box = form->OptionsWindow().Check5();
  EXPECT_EQ(box.Text(), L"最小化到通知区域");
  EXPECT_FALSE(box.Checked());
  SendMessageW(box.hWnd(), BM_CLICK, 0, 0);
  EXPECT_EQ(settings.Read(Form3::kMinimizeToTrayName), L"1");
  SendMessageW(form->OptionsWindow().hWnd(), WM_CLOSE, 0, 0);
  form->cf_Click();
  EXPECT_TRUE(form->OptionsWindow().Check5().Checked());
  SendMessageW(form->OptionsWindow().Check5().hWnd(), BM_CLICK, 0, 0);
  EXPECT_EQ(settings.Read(Form3::kMinimizeToTrayName), L"0");
}

TEST_F(TrayTest, MenuCommandsTakeTheWindowsOwnPaths) {
  Open();
  FillAccount();
  Command(kTrayStartStop);
  EXPECT_EQ(LastMessage(), L"你还没有选择要监控的程序！") << "the button's checks";
  Mark(0, L"mail");
  Command(kTrayStartStop);
  EXPECT_EQ(form->k(), 1);
  Command(kTrayStartStop);
  EXPECT_EQ(form->k(), 0);

  ShowWindow(form->hWnd(), SW_HIDE);
  Command(kTrayShow);
  EXPECT_TRUE(IsWindowVisible(form->hWnd()));

  prompts.answers.push_back(IDCANCEL);
  Command(kTrayExit);
  EXPECT_EQ(LastMessage(), L"你真的要退出吗?");
  EXPECT_EQ(prompts.shown.back().buttons, static_cast<UINT>(MB_OKCANCEL));
  EXPECT_FALSE(closed);
  EXPECT_TRUE(IsWindowVisible(form->hWnd()));
}

TEST_F(TrayTest, HistoryWindowListsNewestFirstAndGrowsWhileOpen) {
  const std::wstring path = Scratch(L"history.log");
  WORD second = 0;
  history = HistoryLog(path, [&second] { return At(second++); });
  history.Write(history.Record({MonitorEventKind::Started, L"", L""}, L"2"));
  history.Write(history.Record({MonitorEventKind::DropConfirmed, L"8080备注 db", L""}, L"2"));
  Open();
  wchar_t title[16] = {};
  GetMenuStringW(GetMenu(form->hWnd()), 2, title, 16, MF_BYPOSITION);
  EXPECT_STREQ(title, L"历史");
  Command(kMenuHistory);
  ucListView* rows = form->HistoryForm().List();
  ASSERT_NE(rows, nullptr);
  EXPECT_EQ(rows->ColumnText(0), L"时间");
  EXPECT_EQ(rows->ColumnText(1), L"事件");
  EXPECT_EQ(rows->ColumnText(2), L"监控项");
  EXPECT_EQ(rows->ColumnText(3), L"详情");
  ASSERT_EQ(rows->Count(), 2);
  EXPECT_EQ(rows->ItemText(0), L"2026-12-03T09:10:01+08:00");
  EXPECT_EQ(rows->SubItemText(0, 1), L"确认断开");
  EXPECT_EQ(rows->SubItemText(0, 2), L"8080备注 db");
  EXPECT_EQ(rows->SubItemText(1, 1), L"监控开始");

  Mark(0, L"mail");
  Start();
  ASSERT_EQ(rows->Count(), 3);
  EXPECT_EQ(rows->ItemText(0), L"2026-12-03T09:10:02+08:00");
  EXPECT_EQ(rows->SubItemText(0, 1), L"监控开始");
  SendMessageW(form->HistoryForm().hWnd(), WM_CLOSE, 0, 0);
  EXPECT_EQ(form->HistoryForm().List(), nullptr);
  Press();  // stopping writes while the window is closed
  Command(kMenuHistory);
  ASSERT_NE(form->HistoryForm().List(), nullptr);
  EXPECT_EQ(form->HistoryForm().List()->SubItemText(0, 1), L"监控停止");
}
