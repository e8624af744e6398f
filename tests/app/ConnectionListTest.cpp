#include <filesystem>
#include <fstream>
#include <iterator>

#include "MainWindowFixture.h"
#include "ClipboardText.h"
#include "RowColours.h"
#include "frmMainIds.h"

namespace {

std::vector<std::wstring> Ports(const frmMain& form) {
  std::vector<std::wstring> ports;
  for (int item = 0; item < form.Connections().Count(); ++item) {
    const RowAge age = form.Connections().Age(item);
    ports.push_back(form.Connections().Row(item).texts[kLocalPortColumn] +
                    (age == RowAge::New ? L"+" : age == RowAge::Closed ? L"-" : L""));
  }
  return ports;
}
using Texts = std::vector<std::wstring>;

// The colour the list painted in the middle of an item's remark cell.
COLORREF RemarkCellColour(const ucListView& list, int item) {
  RECT cell{LVIR_BOUNDS, kRemarkColumn, 0, 0};
  SendMessageW(list.hListView(), LVM_GETSUBITEMRECT, item, reinterpret_cast<LPARAM>(&cell));
  RedrawWindow(list.hListView(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  HDC dc = GetDC(list.hListView());
  const COLORREF colour = GetPixel(dc, (cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
  ReleaseDC(list.hListView(), dc);
  return colour;
}

class ConnectionListTest : public MainWindowTest {
 protected:
  void SetUp() override {
    showCommand = SW_SHOWNORMAL;
    Open();
    SetWindowPos(form->hWnd(), HWND_TOP, 0, 0, 700, 500, SWP_SHOWWINDOW);
  }
  void Type(const std::wstring& filter) {
    SetWindowTextW(form->Filter().hField(), filter.c_str());
    Settle();
  }
  std::wstring ExportPath() const {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + L"lumora-export-" + std::to_wstring(GetCurrentProcessId()) + L".csv";
  }
};

TEST_F(ConnectionListTest, NewRowsAreGreenAndClosedOnesStayRedForOneRefresh) {
  EXPECT_EQ(Ports(*form), (Texts{L"8080", L"9090", L"445"}));
  DropPort(9090);
  rows->rows.push_back({300, 7070});
  Refresh();
  ASSERT_EQ(Ports(*form), (Texts{L"8080", L"9090-", L"445", L"7070+"}));
  const COLORREF steady = RemarkCellColour(form->lvInfo(), 0);
  const COLORREF closed = RemarkCellColour(form->lvInfo(), 1);
  const COLORREF added = RemarkCellColour(form->lvInfo(), 3);
  EXPECT_EQ(closed, PaintFor(RowAge::Closed, false).back);
  EXPECT_EQ(added, PaintFor(RowAge::New, false).back);
  EXPECT_NE(steady, closed);
  Refresh();
  EXPECT_EQ(Ports(*form), (Texts{L"8080", L"445", L"7070"}));
  EXPECT_EQ(RemarkCellColour(form->lvInfo(), 2), steady);
}

TEST_F(ConnectionListTest, TheFilterNarrowsTheListOverRefreshesAndWatchedRowsStayWatched) {
  Mark(1, L"second");
  Type(L"APP1");
  EXPECT_EQ(Ports(*form), (Texts{L"8080"}));
  EXPECT_EQ(form->StatusBar().Text(3), L"显示 1 / 共 3");
  rows->rows.push_back({101, 8081});
  Refresh();
  EXPECT_EQ(Ports(*form), (Texts{L"8080", L"8081+"}));
  EXPECT_EQ(form->StatusBar().Text(3), L"显示 2 / 共 4");

  Start();  // the hidden row with its remark is watched all the same
  ASSERT_EQ(form->List1().Count(), 2);
  EXPECT_NE(form->List1().Line(1).find(L"9090备注 second"), std::wstring::npos) << form->List1().Line(1);
  Type(L"");
  EXPECT_EQ(form->Connections().Count(), 4);
  EXPECT_EQ(form->StatusBar().Text(3), L"显示 4 / 共 4");
}

TEST_F(ConnectionListTest, CtrlCCopiesTheSelectedRowsWithTheColumnNames) {
  form->lvInfo().ItemSelected(0, true);
  form->lvInfo().ItemSelected(2, true);
  PressWithCtrl(form->lvInfo().hListView(), 'C');
  EXPECT_EQ(ClipboardText(),
            L"PID\t进程\t状态\t本地IP\t本地端口\t远程IP\t远程端口\t备注\r\n"
            L"100\tapp100.exe\t已建立\tlocalhost\t8080\tlocalhost\t80\t\r\n"
            L"4\tapp4.exe\t已建立\tlocalhost\t445\tlocalhost\t0\t\r\n");
}

TEST_F(ConnectionListTest, TheRowMenuCopiesMarksAndOpensTheProgramsFolderButNeverMarksAClosedRow) {
  Mark(0, L"");
  prompts.menuAnswers = {kCmdShowFolder, kCmdMark};
  prompts.inputs = {L"web"};
  for (int shown = 0; shown < 2; ++shown) {
    SendMessageW(form->lvInfo().hListView(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(form->lvInfo().hListView()),
                 MAKELPARAM(-1, -1));
  }
  ASSERT_EQ(prompts.menus.size(), 2u);
  EXPECT_EQ(prompts.menus[0], (Texts{L"复制\tCtrl+C", L"备注...", L"打开所在文件夹"}));
  EXPECT_EQ(folders.shown, (Texts{L"C:\\Programs\\app100.exe"}));
  EXPECT_EQ(form->Connections().Row(0).texts[kRemarkColumn], L"web");

  DropPort(8080);
  Refresh();
  ASSERT_EQ(form->Connections().Age(0), RowAge::Closed);
  const size_t asked = prompts.prompts.size();
  Mark(0, L"again");
  SendMessageW(form->hWnd(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(form->lvInfo().hListView()),
               MAKELPARAM(-1, -1));
  EXPECT_EQ(prompts.menus.back()[1], L"备注... (disabled)");
  EXPECT_EQ(prompts.prompts.size(), asked) << "no remark box for a closed row";
}

TEST_F(ConnectionListTest, ExportWritesTheShownRowsAsCsvAndAFailureSaysWhy) {
  DropPort(445);
  Refresh();
  Type(L"localhost");
  prompts.savePath = ExportPath();
  form->Export_Click();
  std::ifstream file(std::filesystem::path(prompts.savePath), std::ios::binary);
  const std::string csv(std::istreambuf_iterator<char>(file), {});
  file.close();
  EXPECT_EQ(csv,
            "\xEF\xBB\xBF" "PID,\xE8\xBF\x9B\xE7\xA8\x8B,\xE7\x8A\xB6\xE6\x80\x81,\xE6\x9C\xAC\xE5\x9C\xB0IP,"
            "\xE6\x9C\xAC\xE5\x9C\xB0\xE7\xAB\xAF\xE5\x8F\xA3,\xE8\xBF\x9C\xE7\xA8\x8BIP,"
            "\xE8\xBF\x9C\xE7\xA8\x8B\xE7\xAB\xAF\xE5\x8F\xA3,\xE5\xA4\x87\xE6\xB3\xA8\r\n"
            "100,app100.exe,\xE5\xB7\xB2\xE5\xBB\xBA\xE7\xAB\x8B,localhost,8080,localhost,80,\r\n"
            "200,app200.exe,\xE5\xB7\xB2\xE5\xBB\xBA\xE7\xAB\x8B,localhost,9090,localhost,443,\r\n");
  EXPECT_EQ(prompts.suggestedNames, (Texts{L"连接.csv"}));
  DeleteFileW(prompts.savePath.c_str());

  prompts.savePath = ExportPath() + L".missing\\x.csv";
  form->Export_Click();
  ASSERT_FALSE(prompts.shown.empty());
  EXPECT_EQ(prompts.shown.back().text.rfind(L"导出失败：", 0), 0u) << prompts.shown.back().text;
  EXPECT_GT(prompts.shown.back().text.size(), 5u);
}

}  // namespace
