#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unknwn.h>

#include <utility>
#include <vector>

#include "ListViewHost.h"

using ::testing::ElementsAre;

namespace {

// A reference of the test's own on the check boxes' image list: releasing it
// at the end tells whether anyone else still holds the list.
class StateImages {
 public:
  void Hold(const ucListView& lv) {
    const auto list = reinterpret_cast<HIMAGELIST>(SendMessageW(lv.hListView(), LVM_GETIMAGELIST, LVSIL_STATE, 0));
    ASSERT_NE(list, nullptr);
    for (const auto& [held, unknown] : m_held)
      if (held == list) return;
    // Not in every import library: taken from the module.
    using QueryInterface = HRESULT(WINAPI*)(HIMAGELIST, REFIID, void**);
    const auto query = reinterpret_cast<QueryInterface>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"comctl32.dll"), "HIMAGELIST_QueryInterface")));
    ASSERT_NE(query, nullptr);
    IUnknown* unknown = nullptr;
    ASSERT_EQ(query(list, __uuidof(IUnknown), reinterpret_cast<void**>(&unknown)), S_OK);
    m_held.emplace_back(list, unknown);
  }
  // How many of the held lists someone other than the test still holds.
  int ReleaseAll() {
    int alive = 0;
    for (const auto& [held, unknown] : m_held) alive += unknown->Release() != 0;
    m_held.clear();
    return alive;
  }

 private:
  std::vector<std::pair<HIMAGELIST, IUnknown*>> m_held;
};

}  // namespace

TEST(ListViewCore, InitializeCreatesTheListOnceInsideTheControl) {
  ListViewHost host(false);
  EXPECT_EQ(host.lv.hListView(), nullptr);
  ASSERT_TRUE(host.lv.Initialize());
  const HWND list = host.lv.hListView();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(GetParent(list), host.lv.hWnd());
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(list, GWL_STYLE)) & ~WS_VISIBLE & 0xFFFF0FFF, 0x4001014Fu & 0xFFFF0FFF);
  EXPECT_TRUE(IsWindowVisible(list));
  RECT client{}, listRect{};
  GetClientRect(host.lv.hWnd(), &client);
  GetWindowRect(list, &listRect);
  EXPECT_EQ(listRect.right - listRect.left, client.right);
  EXPECT_EQ(listRect.bottom - listRect.top, client.bottom);

  EXPECT_FALSE(host.lv.Initialize());
  EXPECT_EQ(host.lv.hListView(), list);
}

TEST(ListViewCore, WithoutTheListEverythingIsInert) {
  ListViewHost host(false);
  ucListView& lv = host.lv;
  EXPECT_FALSE(lv.ItemAdd(0, L"x", 0, 0));
  EXPECT_FALSE(lv.ColumnAdd(0, L"x", 10));
  EXPECT_FALSE(lv.Clear());
  EXPECT_EQ(lv.Count(), 0);
  EXPECT_EQ(lv.SelectionItem(), -1);
  EXPECT_EQ(lv.ItemFindText(L"x"), -1);
  EXPECT_EQ(lv.SubItemText(0, 1), L"");
  EXPECT_FALSE(lv.Sort());
  lv.CheckBoxes(true);
  lv.ViewMode(VIEWMODE_REPORT);
  EXPECT_FALSE(lv.CheckBoxes());
  EXPECT_EQ(lv.ViewMode(), 0);
  lv.HeaderFixedWidth(true);
  EXPECT_TRUE(lv.HeaderFixedWidth());
  ASSERT_TRUE(lv.Initialize());
  EXPECT_EQ(SendMessageW(lv.hListView(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_CHECKBOXES, 0);
}

TEST(ListViewCore, ResizingTheControlFitsTheListAndRaisesResize) {
  ListViewHost host;
  host.log.Clear();
  MoveWindow(host.lv.hWnd(), 0, 0, 250, 120, TRUE);
  RECT listRect{};
  GetClientRect(host.lv.hListView(), &listRect);
  EXPECT_EQ(listRect.right, 250);
  EXPECT_EQ(listRect.bottom, 120);
  EXPECT_THAT(host.log.Only({"Resize"}), ElementsAre("Resize"));
}

TEST(ListViewCore, ConnectionRowsCanBeWrittenAndReadBack) {
  ListViewHost host;
  ucListView& lv = host.lv;
  lv.BorderStyle(BORDER_SUNKEN);
  lv.ViewMode(VIEWMODE_REPORT);
  lv.FullRowSelect(true);
  const wchar_t* headers[] = {L"PID", L"进程", L"状态", L"本地IP", L"本地端口", L"远程IP", L"远程端口", L"备注"};
  for (int c = 0; c < 8; ++c) ASSERT_TRUE(lv.ColumnAdd(c, headers[c], 70));
  EXPECT_EQ(lv.ColumnCount(), 8);
  EXPECT_EQ(lv.ColumnText(4), L"本地端口");
  EXPECT_EQ(lv.ColumnWidth(7), 70);

  ASSERT_TRUE(lv.Clear());
  for (int n = 0; n < 3; ++n) {
    ASSERT_TRUE(lv.ItemAdd(n, std::to_wstring(1000 + n), 0, 0));
    for (int s = 1; s <= 7; ++s) ASSERT_TRUE(lv.SubItemSet(n, s, L"v" + std::to_wstring(n * 10 + s), 0));
  }
  EXPECT_EQ(lv.Count(), 3);
  EXPECT_EQ(lv.ItemText(2), L"1002");
  EXPECT_EQ(lv.SubItemText(1, 4), L"v14");

  const std::wstring remark = std::wstring(300, L'备') + L"注";
  lv.SubItemText(1, 7, remark);
  EXPECT_EQ(lv.SubItemText(1, 7), remark);
  EXPECT_EQ(lv.SubItemText(0, 7), L"v7");

  EXPECT_EQ(lv.SelectionItem(), -1);
  lv.ItemSelected(2, true);
  lv.ItemSelected(1, true);
  EXPECT_EQ(lv.SelectionItem(), 1);
  EXPECT_EQ(lv.SelectedCount(), 1);  // single selection
}

TEST(ListViewCore, DoubleClickOnARowRaisesDblClick) {
  ListViewHost host;
  host.Fill(3);
  host.Focus();
  const POINT pt = host.ItemPoint(1);
  host.Click(pt);
  host.log.Clear();
  PostMessageW(host.lv.hListView(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
  PostMessageW(host.lv.hListView(), WM_LBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
  Pump();
  EXPECT_THAT(host.log.Only({"DblClick"}), ElementsAre("DblClick"));
  EXPECT_EQ(host.lv.SelectionItem(), 1);
}

TEST(ListViewCore, TheCheckBoxImagesEndWithTheControl) {
  StateImages images;
  {
    ListViewHost host;
    host.lv.CheckBoxes(true);
    images.Hold(host.lv);
    host.lv.CheckBoxes(false);
    host.lv.CheckBoxes(true);
    images.Hold(host.lv);
  }
  EXPECT_EQ(images.ReleaseAll(), 0);

  // The host destroys the windows before the control ends.
  const HWND container = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 200, 200, TestFrame(),
                                         nullptr, GetModuleHandleW(nullptr), nullptr);
  {
    ucListView lv;
    ASSERT_TRUE(lv.Create(container, 0, 0, 200, 200, 1));
    ASSERT_TRUE(lv.Initialize());
    lv.CheckBoxes(true);
    images.Hold(lv);
    DestroyWindow(container);
    Pump();
  }
  EXPECT_EQ(images.ReleaseAll(), 0);
}
