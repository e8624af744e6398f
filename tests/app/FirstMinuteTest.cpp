// What a new user meets first: the tips in front, sorting by a header click,
// F5, and column widths that follow the dpi.
#include <utility>

#include "MainWindowFixture.h"
#include "frmMainIds.h"

namespace {

std::vector<std::wstring> Column(ucListView& list, int column) {
  std::vector<std::wstring> texts;
  for (int row = 0; row < list.Count(); ++row) texts.push_back(list.SubItemText(row, column));
  return texts;
}

using Texts = std::vector<std::wstring>;

int Arrow(ucListView& list, int column) {
  HDITEMW item{};
  item.mask = HDI_FORMAT;
  SendMessageW(list.hHeader(), HDM_GETITEMW, column, reinterpret_cast<LPARAM>(&item));
  return item.fmt & (HDF_SORTUP | HDF_SORTDOWN);
}

// True when window a lies above window b among the top-level windows.
bool Above(HWND a, HWND b) {
  for (HWND next = GetWindow(a, GW_HWNDNEXT); next; next = GetWindow(next, GW_HWNDNEXT)) {
    if (next == b) return true;
  }
  return false;
}

}  // namespace

TEST_F(MainWindowTest, HeaderClicksSortAndTheOrderHoldsAcrossRefreshes) {
  Open();
  ucListView& list = form->lvInfo();
  form->lvInfo_ColumnClick(0);
  EXPECT_EQ(Column(list, 0), (Texts{L"4", L"100", L"200"}));  // numbers, not text
  EXPECT_EQ(Arrow(list, 0), HDF_SORTUP);
  form->lvInfo_ColumnClick(0);
  EXPECT_EQ(Column(list, 0), (Texts{L"200", L"100", L"4"}));
  EXPECT_EQ(Arrow(list, 0), HDF_SORTDOWN);

  form->lvInfo_ColumnClick(4);
  EXPECT_EQ(Column(list, 4), (Texts{L"445", L"8080", L"9090"}));
  rows->rows = {{300, 70}, {100, 8080, 80}, {500, 60000}, {200, 9090, 443}};
  form->cmdRefresh_Click();
  Settle();
  Refresh();  // the closed connection has had its refresh
  EXPECT_EQ(Column(list, 4), (Texts{L"70", L"8080", L"9090", L"60000"}));
  EXPECT_EQ(Arrow(list, 4), HDF_SORTUP);
  EXPECT_EQ(Arrow(list, 0), 0);

  // The monitoring cycle refreshes the same way.
  form->lvInfo_ColumnClick(4);
  Mark(0, L"watched");
  FillAccount();
  Press();
  ASSERT_EQ(form->k(), 1);
  rows->rows.push_back({600, 1000});
  Tick();
  EXPECT_EQ(Column(list, 4), (Texts{L"60000", L"9090", L"8080", L"1000", L"70"}));
  EXPECT_EQ(Column(list, 0), (Texts{L"500", L"200", L"100", L"600", L"300"}));
}

TEST_F(MainWindowTest, AHeaderClickDuringARefreshWaitsForItsEnd) {
  Open();
  ucListView& list = form->lvInfo();
  rows->rows = {{30, 1}, {1000, 2}, {200, 3}};
  form->cmdRefresh_Click();
  form->lvInfo_ColumnClick(1);  // arrives while the snapshot is being taken
  Settle();
  Refresh();  // the closed connections have had their refresh
  EXPECT_EQ(Column(list, 1), (Texts{L"app1000.exe", L"app200.exe", L"app30.exe"}));
  EXPECT_EQ(Arrow(list, 1), HDF_SORTUP);
}

TEST_F(MainWindowTest, F5RefreshesWhereverTheFocusIs) {
  Open();
  for (HWND target : {form->lvInfo().hListView(), form->txtwxid().hWnd(), form->cpid().hWnd(),
                      form->List1().hWnd(), form->hWnd()}) {
    const int fetches = rows->fetches;
    PostMessageW(target, WM_KEYDOWN, VK_F5, 0x003F0001);
    PostMessageW(target, WM_KEYUP, VK_F5, 0xC03F0001);
    DoEvents();
    Settle();
    EXPECT_EQ(rows->fetches, fetches + 1) << target;
  }
  // Other keys and other windows of the program do not refresh.
  const int fetches = rows->fetches;
  PostMessageW(form->txtwxid().hWnd(), WM_KEYDOWN, VK_F6, 0x00400001);
  HWND other = CreateWindowExW(0, L"EDIT", L"", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr, nullptr, nullptr);
  PostMessageW(other, WM_KEYDOWN, VK_F5, 0x003F0001);
  DoEvents();
  Settle();
  DestroyWindow(other);
  EXPECT_EQ(rows->fetches, fetches);
}

TEST_F(MainWindowTest, ColumnWidthsFollowTheDpi) {
  Open();
  ucListView& list = form->lvInfo();
  list.ColumnWidth(3, 80);  // the user widened a hidden column
  RECT suggested{40, 30, 40 + 1000, 30 + 900};
  SendMessageW(form->hWnd(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  const int widths[] = {105, 150, 105, 120, 105, 0, 0, 105};
  for (int column = 0; column < 8; ++column) EXPECT_EQ(list.ColumnWidth(column), widths[column]) << column;
  RECT window;
  GetWindowRect(form->hWnd(), &window);
  EXPECT_TRUE(EqualRect(&window, &suggested));

  SendMessageW(form->hWnd(), WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&suggested));
  const int back[] = {70, 100, 70, 80, 70, 0, 0, 70};
  for (int column = 0; column < 8; ++column) EXPECT_EQ(list.ColumnWidth(column), back[column]) << column;
}

TEST(ConnectionColumns, WidthsAt144DpiFromTheStart) {
  HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 900, 300, nullptr, nullptr, nullptr,
                                nullptr);
  {
    ucListView list;
    ASSERT_TRUE(list.Create(parent, 0, 0, 880, 200, 1));
    ASSERT_TRUE(list.Initialize());
    list.ViewMode(VIEWMODE_REPORT);
    ConnectionColumns columns;
    columns.Add(list, 144);
    const int widths[] = {105, 150, 105, 0, 105, 0, 0, 105};
    ASSERT_EQ(list.ColumnCount(), 8);
    for (int column = 0; column < 8; ++column) EXPECT_EQ(list.ColumnWidth(column), widths[column]) << column;
    EXPECT_EQ(list.ColumnText(4), L"本地端口");
  }
  DestroyWindow(parent);
}

TEST_F(MainWindowTest, TheTipsOpenCentredAboveTheShownMainWindow) {
  tips = "欢迎";
  // The tips come while the load still takes its snapshot, before the main
  // window is shown as the program shows it: they must wait for it.
  showCommand = SW_SHOWNORMAL;
  firstFetch = [this, first = true]() mutable {
    if (!std::exchange(first, false)) return;
    for (int i = 0; i < 500 && RequestCount() == 0; ++i) Sleep(10);
    Sleep(300);
  };
  Open();
  const HWND tipsWindow = form->TipsWindow().hWnd();
  ASSERT_NE(tipsWindow, nullptr);
  EXPECT_TRUE(IsWindowVisible(form->hWnd()));
  EXPECT_TRUE(IsWindowVisible(tipsWindow));
  EXPECT_EQ(GetWindow(tipsWindow, GW_OWNER), form->hWnd());
  EXPECT_TRUE(Above(tipsWindow, form->hWnd()));
  RECT main, shown;
  GetWindowRect(form->hWnd(), &main);
  GetWindowRect(tipsWindow, &shown);
  EXPECT_LE(std::abs((main.left + main.right) - (shown.left + shown.right)), 2);
  EXPECT_LE(std::abs((main.top + main.bottom) - (shown.top + shown.bottom)), 2);

  // Closed, then asked for again from the menu: the same way, once more.
  DestroyWindow(tipsWindow);
  MoveWindow(form->hWnd(), 50, 60, 700, 600, TRUE);
  SendMessageW(form->hWnd(), WM_COMMAND, kMenuAb, 0);
  const HWND again = form->TipsWindow().hWnd();
  ASSERT_NE(again, nullptr);
  EXPECT_TRUE(Above(again, form->hWnd()));
  GetWindowRect(form->hWnd(), &main);
  GetWindowRect(again, &shown);
  EXPECT_LE(std::abs((main.left + main.right) - (shown.left + shown.right)), 2);
}
