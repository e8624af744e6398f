#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "mListViewEx.h"

using ::testing::ElementsAre;
using Texts = std::vector<std::wstring>;

namespace {

// A report list whose column `column` holds the given texts, one row each.
class SortList {
 public:
  SortList(const Texts& texts, int column = 0) {
    static const bool ready = [] {
      const INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES};
      return InitCommonControlsEx(&icc);
    }();
    EXPECT_TRUE(ready);
    list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_POPUP | LVS_REPORT, 0, 0, 200, 200, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
    for (int c = 0; c < 2; ++c) {
      LVCOLUMNW col{};
      col.mask = LVCF_WIDTH;
      col.cx = 50;
      SendMessageW(list, LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&col));
    }
    for (size_t row = 0; row < texts.size(); ++row) {
      LVITEMW item{};
      item.mask = LVIF_TEXT;
      item.iItem = static_cast<int>(row);
      item.pszText = const_cast<wchar_t*>(column == 0 ? texts[row].c_str() : L"");
      SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
      item.iSubItem = 1;
      item.pszText = const_cast<wchar_t*>(column == 1 ? texts[row].c_str() : L"");
      SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    }
  }
  ~SortList() { DestroyWindow(list); }

  Texts Column(int column) const {
    Texts texts;
    const auto rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < rows; ++row) texts.push_back(ListViewItemText(list, row, column));
    return texts;
  }

  HWND list;
};

Texts Sorted(const Texts& texts, long order, long type) {
  SortList list(texts);
  EXPECT_TRUE(SortItems(list.list, 0, order, type));
  return list.Column(0);
}

}  // namespace

TEST(SortItems, TextIgnoresCaseUnlessAskedTo) {
  EXPECT_THAT(Sorted({L"abc", L"ABC"}, SORT_ASCENDING, SORT_TEXT), ElementsAre(L"abc", L"ABC"));
  EXPECT_THAT(Sorted({L"ABC", L"abc"}, SORT_ASCENDING, SORT_TEXT), ElementsAre(L"ABC", L"abc"));
  EXPECT_THAT(Sorted({L"abc", L"ABC"}, SORT_ASCENDING, SORT_TEXT_CASE), ElementsAre(L"ABC", L"abc"));
  EXPECT_THAT(Sorted({L"b", L"C", L"a"}, SORT_DESCENDING, SORT_TEXT), ElementsAre(L"C", L"b", L"a"));
}

TEST(SortItems, NumbersCompareByValueTextByCharacters) {
  EXPECT_THAT(Sorted({L"10", L"9", L"", L"-1.5"}, SORT_ASCENDING, SORT_NUMBER), ElementsAre(L"-1.5", L"", L"9", L"10"));
  EXPECT_THAT(Sorted({L"9", L"10"}, SORT_ASCENDING, SORT_TEXT), ElementsAre(L"10", L"9"));
  EXPECT_THAT(Sorted({L"9", L"10"}, SORT_DESCENDING, SORT_NUMBER), ElementsAre(L"10", L"9"));
}

TEST(SortItems, DatesSortByDayAndNonDatesCountAsZero) {
  SYSTEMTIME early{}, late{};
  early.wYear = 2019, early.wMonth = 5, early.wDay = 1;
  late.wYear = 2020, late.wMonth = 1, late.wDay = 2;
  wchar_t a[64], b[64];
  GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &late, nullptr, a, 64);
  GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &early, nullptr, b, 64);
  EXPECT_THAT(Sorted({a, L"not a date", b}, SORT_ASCENDING, SORT_DATE), ElementsAre(L"not a date", b, a));
}

TEST(SortItems, EqualKeysNeverBreakTheOrderOfTheOthers) {
  EXPECT_THAT(Sorted({L"3", L"a", L"b", L"c", L"1"}, SORT_ASCENDING, SORT_NUMBER),
              ElementsAre(L"a", L"b", L"c", L"1", L"3"));
}

TEST(SortItems, ItemDataSurvivesTheSort) {
  SortList list({L"b", L"a"});
  for (int row = 0; row < 2; ++row) {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    item.lParam = 100 + row;
    SendMessageW(list.list, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  }
  ASSERT_TRUE(SortItems(list.list, 0, SORT_ASCENDING, SORT_TEXT));
  LVITEMW first{};
  first.mask = LVIF_PARAM;
  SendMessageW(list.list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&first));
  EXPECT_EQ(first.lParam, 101);
}

TEST(SortItems, KeepOrderAndBadRequests) {
  EXPECT_THAT(Sorted({L"b", L"a", L"c"}, SORT_KEEP, SORT_NUMBER), ElementsAre(L"b", L"a", L"c"));
  SortList list({L"b", L"a"});
  EXPECT_FALSE(SortItems(list.list, 0, 2, SORT_TEXT));
  EXPECT_FALSE(SortItems(list.list, 0, SORT_ASCENDING, 4));
  EXPECT_THAT(list.Column(0), ElementsAre(L"b", L"a"));
}

TEST(SortItems, SortsBySubItemAndComparesLongTextsInFull) {
  const std::wstring stem(300, L'x');
  SortList list({stem + L"b", stem + L"a"}, 1);
  ASSERT_TRUE(SortItems(list.list, 1, SORT_ASCENDING, SORT_TEXT_CASE));
  EXPECT_THAT(list.Column(1), ElementsAre(stem + L"a", stem + L"b"));
}
