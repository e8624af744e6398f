// The history window's copy, export and size, on a real main window.
#include <filesystem>
#include <fstream>
#include <iterator>

#include "ClipboardText.h"
#include "Layout.h"
#include "MainWindowFixture.h"
#include "frmMainIds.h"

namespace {

using Texts = std::vector<std::wstring>;

std::wstring TempPath(const std::wstring& leaf) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  return std::wstring(temp) + L"lumora-history-" + std::to_wstring(GetCurrentProcessId()) + leaf;
}

// The bytes of a UTF-8 literal, as a file holds them.
std::string Bytes(const char8_t* text) { return reinterpret_cast<const char*>(text); }

class HistoryWindowTest : public MainWindowTest {
 protected:
  void SetUp() override {
    path = TempPath(L".log");
    DeleteFileW(path.c_str());
    history = HistoryLog(path, [this] {
      LocalStamp stamp;
      stamp.local = {2026, 12, 4, 3, 9, 10, second++, 0};
      stamp.offsetMinutes = 480;
      return stamp;
    });
    history.Write(history.Record({MonitorEventKind::Started, L"", L""}, L"2"));
    history.Write(history.Record({MonitorEventKind::DropConfirmed, L"8080备注 db", L""}, L"2"));
    history.Write(history.Record({MonitorEventKind::ReminderRefused, L"8080备注 db", L"403 \"quota\", later"}, L"2"));
    Open();
    OpenHistory();
  }
  void OpenHistory() {
    SendMessageW(form->hWnd(), WM_COMMAND, kMenuHistory, 0);
    window = form->HistoryForm().hWnd();
    list = form->HistoryForm().List();
    ASSERT_NE(list, nullptr);
  }

  std::wstring path;  // left for a look after a failure
  WORD second = 0;
  HWND window = nullptr;
  ucListView* list = nullptr;
};

TEST_F(HistoryWindowTest, CtrlCAndTheRowMenuCopyTheSelectedRowsUnderTheColumnNames) {
  SetFocus(window);
  EXPECT_EQ(GetFocus(), list->hListView());  // the keys reach the rows without a click first
  list->ItemSelected(0, true);
  list->ItemSelected(2, true);
  PressWithCtrl(list->hListView(), 'C');
  EXPECT_EQ(ClipboardText(),
            L"时间\t事件\t监控项\t详情\r\n"
            L"2026-12-03T09:10:02+08:00\t提醒被拒绝\t8080备注 db\t403 \"quota\", later\r\n"
            L"2026-12-03T09:10:00+08:00\t监控开始\t\t\r\n");

  list->ItemSelected(-1, false);
  list->ItemSelected(1, true);
  prompts.menuAnswers = {HistoryWindow::kCmdCopy};
  SendMessageW(list->hListView(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list->hListView()), MAKELPARAM(-1, -1));
  EXPECT_EQ(prompts.menus.back(), (Texts{L"复制\tCtrl+C"}));
  EXPECT_EQ(ClipboardText(), L"时间\t事件\t监控项\t详情\r\n2026-12-03T09:10:01+08:00\t确认断开\t8080备注 db\t\r\n");
}

TEST_F(HistoryWindowTest, ExportFromTheMenuBarSavesEveryRowAsCsvAndAFailureSaysWhy) {
  wchar_t title[16] = {};
  GetMenuStringW(GetMenu(window), 0, title, 16, MF_BYPOSITION);
  EXPECT_STREQ(title, L"导出...");
  prompts.savePath = TempPath(L".csv");
  SendMessageW(window, WM_COMMAND, HistoryWindow::kMenuExport, 0);
  std::ifstream file(std::filesystem::path(prompts.savePath), std::ios::binary);
  const std::string csv(std::istreambuf_iterator<char>(file), {});
  file.close();
  DeleteFileW(prompts.savePath.c_str());
  EXPECT_EQ(prompts.suggestedNames, (Texts{L"历史.csv"}));
  EXPECT_EQ(csv, Bytes(u8"\uFEFF时间,事件,监控项,详情\r\n"
                       u8"2026-12-03T09:10:02+08:00,提醒被拒绝,8080备注 db,\"403 \"\"quota\"\", later\"\r\n"
                       u8"2026-12-03T09:10:01+08:00,确认断开,8080备注 db,\r\n"
                       u8"2026-12-03T09:10:00+08:00,监控开始,,\r\n"));

  prompts.savePath = TempPath(L".missing\\x.csv");
  SendMessageW(window, WM_COMMAND, HistoryWindow::kMenuExport, 0);
  EXPECT_EQ(LastMessage().rfind(L"导出失败：", 0), 0u) << LastMessage();
  EXPECT_GT(LastMessage().size(), 5u);
}

TEST_F(HistoryWindowTest, TheListFillsTheResizedWindowWhichHasAFloorAndKeepsItsPlaceWhenReopened) {
  const int dpi = ScreenDpi();
  for (const SIZE outer : {SIZE{800, 500}, SIZE{40, 30}}) {
    SetWindowPos(window, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client{}, shown{};
    GetClientRect(window, &client);
    GetWindowRect(list->hWnd(), &shown);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&shown), 2);
    EXPECT_TRUE(EqualRect(&shown, &client)) << outer.cx << "x" << outer.cy;
  }
  RECT smallest{};
  GetClientRect(window, &smallest);
  EXPECT_GE(smallest.right, TwipsToPixels(4800, dpi));
  EXPECT_GE(smallest.bottom, TwipsToPixels(2400, dpi));

  SetWindowPos(window, nullptr, 50, 60, 700, 450, SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageW(window, WM_CLOSE, 0, 0);
  ASSERT_EQ(form->HistoryForm().hWnd(), nullptr);
  OpenHistory();
  RECT reopened{}, closed{50, 60, 750, 510};
  GetWindowRect(window, &reopened);
  EXPECT_TRUE(EqualRect(&reopened, &closed));
}

}  // namespace
