#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ListViewHost.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// Rows "r<i>" with columns "r<i>c<column>", counting the texts asked for.
class Rows : public ucListViewData {
 public:
  std::wstring_view ItemText(int Item, int SubItem) const override {
    ++asked;
    text = L"r" + std::to_wstring(Item);
    if (SubItem > 0) text += L"c" + std::to_wstring(SubItem);
    return text;
  }
  void CacheHint(int From, int To) override { hints.emplace_back(From, To); }

  mutable std::wstring text;
  mutable int asked = 0;
  std::vector<std::pair<int, int>> hints;
};

class OwnerData : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(host.lv.OwnerData(&rows));
    ASSERT_TRUE(host.lv.Initialize());
    host.lv.ScaleMode(SCALE_PIXELS);
    host.lv.ViewMode(VIEWMODE_REPORT);
    for (int column = 0; column < 3; ++column) host.lv.ColumnAdd(column, L"c" + std::to_wstring(column), 100);
    ASSERT_TRUE(host.lv.ItemCount(100));
    host.Focus();
    host.log.Clear();
  }

  Rows rows;
  ListViewHost host{false};
  ucListView& lv = host.lv;
};

TEST_F(OwnerData, TheModeIsChosenBeforeTheListExists) {
  EXPECT_TRUE(lv.OwnerData());
  EXPECT_FALSE(lv.OwnerData(nullptr));
  ListViewHost normal;
  EXPECT_FALSE(normal.lv.OwnerData());
  EXPECT_FALSE(normal.lv.ItemCount(5));
}

TEST_F(OwnerData, TheListAsksTheRowsForTheTextsItShowsAndReads) {
  EXPECT_EQ(lv.Count(), 100);
  EXPECT_EQ(lv.ItemText(42), L"r42");
  EXPECT_EQ(lv.SubItemText(99, 2), L"r99c2");
  // Reading through the plain message, as another process does.
  wchar_t buffer[4];
  LVITEMW item{};
  item.iSubItem = 1;
  item.pszText = buffer;
  item.cchTextMax = 4;
  EXPECT_EQ(SendMessageW(lv.hListView(), LVM_GETITEMTEXTW, 7, reinterpret_cast<LPARAM>(&item)), 3);
  EXPECT_EQ(std::wstring(buffer), L"r7c");

  // Nothing is written into an owner-data list; its rows are the host's.
  EXPECT_FALSE(lv.ItemAdd(0, L"x", 0, 0));
  EXPECT_EQ(lv.Count(), 100);

  rows.asked = 0;
  lv.Refresh();
  EXPECT_GT(rows.asked, 0);
  EXPECT_LT(rows.asked, 3 * 40);  // one screen of rows, not a hundred
}

TEST_F(OwnerData, TheFirstRowGetsTheFocusAndSelectionGoesByIndex) {
  EXPECT_EQ(lv.ItemFindState(-1, LVNI_FOCUSED), 0);
  EXPECT_EQ(lv.SelectionItem(), -1);
  lv.ItemSelected(60, true);
  EXPECT_EQ(lv.SelectionItem(), 60);
  EXPECT_TRUE(lv.ItemFocused(60));
  EXPECT_THAT(host.log.Only({"ItemClick"}), ElementsAre("ItemClick 60"));
  lv.ItemSelected(60, false);
  EXPECT_EQ(lv.SelectedCount(), 0);

  lv.ItemSelected(30, true);
  ASSERT_TRUE(lv.ItemCount(20));  // a shorter list drops what lay beyond it
  EXPECT_EQ(lv.SelectedCount(), 0);

  // Without moving the focus, so without scrolling to the item.
  lv.ItemFocused(5, true);
  lv.ItemSelectedKeepFocus(18, true);
  EXPECT_EQ(lv.SelectionItem(), 18);
  EXPECT_EQ(lv.ItemFindState(-1, LVNI_FOCUSED), 5);
  lv.ItemSelectedKeepFocus(18, false);
  EXPECT_EQ(lv.SelectedCount(), 0);
}

TEST_F(OwnerData, ClicksAndKeysRaiseTheEventsOfNormalMode) {
  const POINT pt = host.ItemPoint(2);
  host.Click(pt);
  EXPECT_THAT(host.log.Only({"MouseDown", "MouseUp", "Click", "ItemClick"}),
              ElementsAre("MouseDown 1 " + std::to_string(pt.x) + " " + std::to_string(pt.y), "ItemClick 2",
                          "MouseUp 1 " + std::to_string(pt.x) + " " + std::to_string(pt.y), "Click"));
  host.log.Clear();
  host.Key(VK_DOWN);
  EXPECT_THAT(host.log.Only({"ItemClick", "KeyDown", "KeyUp"}),
              ElementsAre("KeyDown 40 0", "ItemClick 3", "KeyUp 40 0"));
  host.log.Clear();
  SendMessageW(lv.hListView(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
  SendMessageW(lv.hListView(), WM_LBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
  Pump();
  EXPECT_THAT(host.log.Only({"DblClick"}), ElementsAre("DblClick"));
}

TEST_F(OwnerData, ARangeThatBecomesSelectedClicksEachOfItsItems) {
  lv.MultiSelect(true);
  NMLVODSTATECHANGE change{};
  change.hdr = {lv.hListView(), 0, static_cast<UINT>(LVN_ODSTATECHANGED)};
  change.iFrom = 4;
  change.iTo = 6;
  change.uNewState = LVIS_SELECTED;
  SendMessageW(lv.hWnd(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&change));
  EXPECT_THAT(host.log.Only({"ItemClick"}), ElementsAre("ItemClick 4", "ItemClick 5", "ItemClick 6"));
  host.log.Clear();
  change.uOldState = LVIS_SELECTED;
  change.uNewState = 0;
  SendMessageW(lv.hWnd(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&change));
  EXPECT_THAT(host.log.Only({"ItemClick"}), IsEmpty());
}

TEST_F(OwnerData, FindsItemTextsAsNormalModeDoes) {
  struct Case {
    const wchar_t* text;
    int start;
    long flags;
    int found;
  };
  const Case cases[] = {
      {L"r42", -1, LVFI_STRING, 42},  {L"R42", -1, LVFI_STRING, 42},  {L"r4", -1, LVFI_STRING, 4},
      {L"r4", 4, LVFI_STRING, -1},    {L"r4", 4, LVFI_PARTIAL, 40},  {L"r9", 95, LVFI_PARTIAL, 96},
      {L"r1", 99, LVFI_STRING, -1},   {L"r1", 99, LVFI_STRING | LVFI_WRAP, 1},
      {L"nothing", -1, LVFI_PARTIAL | LVFI_WRAP, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(lv.ItemFindText(c.text, c.start, c.flags), c.found) << c.text << " after " << c.start;
  }
}

TEST_F(OwnerData, TheTopItemScrollsAndTheHostHearsWhatThePaintNeeds) {
  EXPECT_GT(lv.VisibleCount(), 0);
  EXPECT_LT(lv.VisibleCount(), 50);
  lv.TopItem(50);
  EXPECT_EQ(lv.TopItem(), 50);
  rows.hints.clear();
  lv.Refresh();
  ASSERT_FALSE(rows.hints.empty());
  EXPECT_EQ(rows.hints.front().first, 50);
  ASSERT_TRUE(lv.ItemCount(100));
  EXPECT_EQ(lv.TopItem(), 50);  // a new count keeps the place
  lv.TopItem(99);
  EXPECT_GT(lv.TopItem(), 50);  // as far as the list goes
  EXPECT_LT(lv.TopItem(), 99);
}

}  // namespace
