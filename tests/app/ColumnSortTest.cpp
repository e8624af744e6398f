#include "ColumnSort.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A real list in a hidden window: rows of a name, an address and a port.
class ColumnSortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    parent = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr, nullptr,
                             nullptr);
    ASSERT_TRUE(list.Create(parent, 0, 0, 380, 120, 1));
    ASSERT_TRUE(list.Initialize());
    list.ViewMode(VIEWMODE_REPORT);
    list.ColumnAdd(0, L"name", 80);
    list.ColumnAdd(1, L"address", 120);
    list.ColumnAdd(2, L"port", 60);
  }
  void TearDown() override { DestroyWindow(parent); }

  void AddRows(const std::vector<std::vector<std::wstring>>& rows) {
    for (const auto& row : rows) {
      const int item = list.Count();
      list.ItemAdd(item, row[0], 0, -1);
      list.SubItemText(item, 1, row[1]);
      list.SubItemText(item, 2, row[2]);
    }
  }

  std::vector<std::wstring> Names() {
    std::vector<std::wstring> names;
    for (int row = 0; row < list.Count(); ++row) names.push_back(list.ItemText(row));
    return names;
  }

  int Arrow(int column) {
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    SendMessageW(list.hHeader(), HDM_GETITEMW, column, reinterpret_cast<LPARAM>(&item));
    return item.fmt & (HDF_SORTUP | HDF_SORTDOWN);
  }

  HWND parent = nullptr;
  ucListView list;
  ColumnSort sort{{SortKind::Text, SortKind::Address, SortKind::Number}};
};

using Texts = std::vector<std::wstring>;

TEST_F(ColumnSortTest, ClicksChooseColumnAndDirection) {
  EXPECT_EQ(sort.Column(), -1);
  sort.Click(2);
  EXPECT_EQ(sort.Column(), 2);
  EXPECT_TRUE(sort.Ascending());
  sort.Click(2);
  EXPECT_FALSE(sort.Ascending());
  sort.Click(1);
  EXPECT_EQ(sort.Column(), 1);
  EXPECT_TRUE(sort.Ascending());
  sort.Click(3);  // no such column
  sort.Click(-1);
  EXPECT_EQ(sort.Column(), 1);
}

TEST_F(ColumnSortTest, NothingMovesBeforeTheFirstClick) {
  AddRows({{L"b", L"::1", L"2"}, {L"a", L"1.1.1.1", L"1"}});
  sort.Apply(list, ColumnSort::View::KeepFirstRow);
  EXPECT_EQ(Names(), (Texts{L"b", L"a"}));
  EXPECT_EQ(Arrow(0), 0);
}

TEST_F(ColumnSortTest, AddressesOfBothFamiliesInNumericOrderEqualKeysKeepTheirOrder) {
  AddRows({{L"v6-link", L"fe80::1%3", L"1"},  {L"v4-ten", L"10.0.0.2", L"1"}, {L"v6-loop", L"::1", L"1"},
           {L"local-a", L"localhost", L"1"},  {L"v4-nine", L"9.1.1.1", L"1"}, {L"local-b", L"127.0.0.1", L"1"},
           {L"none", L"", L"1"},              {L"local-c", L"localhost", L"1"}});
  sort.Click(1);
  sort.Apply(list, ColumnSort::View::ShowSelection);
  EXPECT_EQ(Names(), (Texts{L"v4-nine", L"v4-ten", L"local-a", L"local-b", L"local-c", L"v6-loop", L"v6-link",
                            L"none"}));
  EXPECT_EQ(Arrow(1), HDF_SORTUP);

  sort.Click(1);
  sort.Apply(list, ColumnSort::View::ShowSelection);
  EXPECT_EQ(Names(), (Texts{L"none", L"v6-link", L"v6-loop", L"local-a", L"local-b", L"local-c", L"v4-ten",
                            L"v4-nine"}));
  EXPECT_EQ(Arrow(1), HDF_SORTDOWN);
}

TEST_F(ColumnSortTest, NumbersAndTextAndAnEarlierSortAsTieBreak) {
  AddRows({{L"b.exe", L"", L"10"}, {L"A.exe", L"", L"9"}, {L"a.exe", L"", L"100"}, {L"B.exe", L"", L"9"}});
  sort.Click(2);
  sort.Apply(list, ColumnSort::View::ShowSelection);
  EXPECT_EQ(Names(), (Texts{L"A.exe", L"B.exe", L"b.exe", L"a.exe"}));
  EXPECT_EQ(Arrow(2), HDF_SORTUP);

  sort.Click(0);
  sort.Apply(list, ColumnSort::View::ShowSelection);
  EXPECT_EQ(Names(), (Texts{L"A.exe", L"a.exe", L"B.exe", L"b.exe"}));  // names equal but for case: by port
  EXPECT_EQ(Arrow(0), HDF_SORTUP);
  EXPECT_EQ(Arrow(2), 0);
}

TEST_F(ColumnSortTest, RowsKeepTheirDataAndSelection) {
  AddRows({{L"c", L"", L"3"}, {L"a", L"", L"1"}, {L"b", L"", L"2"}});
  for (int row = 0; row < 3; ++row) {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    item.lParam = 1000 + row;
    SendMessageW(list.hListView(), LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  }
  list.ItemSelected(0, true);
  sort.Click(0);
  sort.Apply(list, ColumnSort::View::ShowSelection);
  ASSERT_EQ(Names(), (Texts{L"a", L"b", L"c"}));
  EXPECT_EQ(list.SelectionItem(), 2);
  EXPECT_TRUE(list.ItemFocused(2));
  const LPARAM expected[] = {1001, 1002, 1000};
  for (int row = 0; row < 3; ++row) {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    SendMessageW(list.hListView(), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(item.lParam, expected[row]) << row;
  }
}

TEST_F(ColumnSortTest, ResortingKeepsTheFirstVisibleRowInView) {
  std::vector<std::vector<std::wstring>> rows;
  for (int i = 0; i < 60; ++i) rows.push_back({L"row" + std::to_wstring(i), L"", std::to_wstring((i * 37) % 60)});
  AddRows(rows);
  sort.Click(2);
  sort.Apply(list, ColumnSort::View::ShowSelection);
  list.ItemEnsureVisible(50);
  const int top = static_cast<int>(SendMessageW(list.hListView(), LVM_GETTOPINDEX, 0, 0));
  ASSERT_GT(top, 0);
  const std::wstring first = list.ItemText(top);

  sort.Click(2);  // descending: that row moves far away
  sort.Apply(list, ColumnSort::View::KeepFirstRow);
  EXPECT_EQ(list.ItemText(static_cast<int>(SendMessageW(list.hListView(), LVM_GETTOPINDEX, 0, 0))), first);
}

}  // namespace
