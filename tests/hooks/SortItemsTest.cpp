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
  SortList(const Texts& texts, int column = 0, HWND parent = nullptr) {
    static const bool ready = [] {
      const INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES};
      return InitCommonControlsEx(&icc);
    }();
    EXPECT_TRUE(ready);
    list = CreateWindowExW(0, WC_LISTVIEWW, L"", (parent ? WS_CHILD : WS_POPUP) | LVS_REPORT, 0, 0, 200, 200, parent,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
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

  void Data(int row, LPARAM value) const {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    item.lParam = value;
    SendMessageW(list, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  }
  LPARAM Data(int row) const {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return item.lParam;
  }

  HWND list;
};

// A hidden parent that, once told to, refuses every item change of its list
// and counts the change notifications it gets.
class RefusingParent {
 public:
  RefusingParent() {
    static const ATOM cls = [] {
      WNDCLASSW wc{};
      wc.lpfnWndProc = Proc;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.lpszClassName = L"SortRefusingParent";
      return RegisterClassW(&wc);
    }();
    hWnd = CreateWindowExW(0, MAKEINTATOM(cls), L"", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
    refuse = false;
    notified = 0;
  }
  ~RefusingParent() { DestroyWindow(hWnd); }

  HWND hWnd;
  static inline bool refuse = false;
  static inline int notified = 0;

 private:
  static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_NOTIFY && refuse) {
      const UINT code = reinterpret_cast<const NMHDR*>(l)->code;
      if (code == LVN_ITEMCHANGING || code == LVN_ITEMCHANGED) ++notified;
      if (code == LVN_ITEMCHANGING) return TRUE;
    }
    return DefWindowProcW(h, m, w, l);
  }
};

constexpr LPARAM kForeignData = 1;

// Refuses new item data for row 1.
LRESULT CALLBACK KeepRowOneData(HWND h, UINT m, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR) {
  if (m == LVM_SETITEMW) {
    const auto& item = *reinterpret_cast<const LVITEMW*>(l);
    if ((item.mask & LVIF_PARAM) && item.iItem == 1) return FALSE;
  }
  return DefSubclassProc(h, m, w, l);
}

// Adds a row with its own item data just as the list starts sorting.
LRESULT CALLBACK AddRowOnSort(HWND h, UINT m, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR) {
  if (m == LVM_SORTITEMS) {
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = static_cast<int>(SendMessageW(h, LVM_GETITEMCOUNT, 0, 0));
    item.pszText = const_cast<wchar_t*>(L"added");
    item.lParam = kForeignData;
    SendMessageW(h, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  }
  return DefSubclassProc(h, m, w, l);
}

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

TEST(SortItems, AParentThatRefusesItemChangesNeitherSeesNorStopsTheSort) {
  RefusingParent parent;
  SortList list({L"c", L"a", L"b"}, 0, parent.hWnd);
  for (int row = 0; row < 3; ++row) list.Data(row, 100 + row);
  RefusingParent::refuse = true;
  ASSERT_TRUE(SortItems(list.list, 0, SORT_ASCENDING, SORT_TEXT));
  EXPECT_THAT(list.Column(0), ElementsAre(L"a", L"b", L"c"));
  EXPECT_EQ(RefusingParent::notified, 0);
  RefusingParent::refuse = false;
  EXPECT_EQ(list.Data(0), 101);
  EXPECT_EQ(list.Data(1), 102);
  EXPECT_EQ(list.Data(2), 100);
}

TEST(SortItems, ARowAddedWhileSortingGoesLastWithItsOwnData) {
  SortList list({L"b", L"c", L"a"});
  list.Data(0, 7);
  ASSERT_TRUE(SetWindowSubclass(list.list, AddRowOnSort, 1, 0));
  SortItems(list.list, 0, SORT_DESCENDING, SORT_TEXT);
  RemoveWindowSubclass(list.list, AddRowOnSort, 1);
  EXPECT_THAT(list.Column(0), ElementsAre(L"c", L"b", L"a", L"added"));
  EXPECT_EQ(list.Data(1), 7);
  EXPECT_EQ(list.Data(3), kForeignData);
}

TEST(SortItems, AListThatRefusesNewItemDataIsLeftAsItWas) {
  SortList list({L"c", L"b", L"a"});
  for (int row = 0; row < 3; ++row) list.Data(row, 100 + row);
  ASSERT_TRUE(SetWindowSubclass(list.list, KeepRowOneData, 1, 0));
  EXPECT_FALSE(SortItems(list.list, 0, SORT_ASCENDING, SORT_TEXT));
  RemoveWindowSubclass(list.list, KeepRowOneData, 1);
  EXPECT_THAT(list.Column(0), ElementsAre(L"c", L"b", L"a"));
  for (int row = 0; row < 3; ++row) EXPECT_EQ(list.Data(row), 100 + row);
}
