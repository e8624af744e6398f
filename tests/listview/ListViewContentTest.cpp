#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ListViewHost.h"

using ::testing::ElementsAre;

namespace {

std::vector<std::wstring> Column(const ucListView& lv, int column) {
  std::vector<std::wstring> texts;
  for (int i = 0; i < lv.Count(); ++i) texts.push_back(lv.SubItemText(i, column));
  return texts;
}

// A 16 by 16 bitmap of one colour.
HBITMAP SolidBitmap(COLORREF color) {
  const HDC screen = GetDC(nullptr);
  const HBITMAP bitmap = CreateCompatibleBitmap(screen, 16, 16);
  const HDC dc = CreateCompatibleDC(screen);
  const HGDIOBJ old = SelectObject(dc, bitmap);
  const HBRUSH brush = CreateSolidBrush(color);
  const RECT rc{0, 0, 16, 16};
  FillRect(dc, &rc, brush);
  DeleteObject(brush);
  SelectObject(dc, old);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return bitmap;
}

// The colour of an image's middle drawn over white.
COLORREF DrawnOverWhite(HIMAGELIST list, int index) {
  const HDC screen = GetDC(nullptr);
  const HBITMAP bitmap = CreateCompatibleBitmap(screen, 16, 16);
  const HDC dc = CreateCompatibleDC(screen);
  const HGDIOBJ old = SelectObject(dc, bitmap);
  const RECT rc{0, 0, 16, 16};
  FillRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  ImageList_Draw(list, index, dc, 0, 0, ILD_NORMAL);
  const COLORREF color = GetPixel(dc, 8, 8);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return color;
}

}  // namespace

class ListViewContent : public ::testing::Test {
 protected:
  void SetUp() override { host.Fill(5); }
  ListViewHost host;
  ucListView& lv = host.lv;
};

TEST_F(ListViewContent, SelectionAndFocus) {
  EXPECT_EQ(lv.SelectionItem(), -1);
  lv.MultiSelect(true);
  lv.ItemSelected(3, true);
  lv.ItemSelected(1, true);
  EXPECT_EQ(lv.SelectionItem(), 1);
  EXPECT_EQ(lv.SelectedCount(), 2);
  EXPECT_TRUE(lv.ItemFocused(1));  // selecting one item focuses it
  lv.ItemSelected(1, false);
  EXPECT_TRUE(lv.ItemFocused(1));  // deselecting leaves the focus
  EXPECT_EQ(lv.SelectionItem(), 3);

  lv.ItemFocused(4, true);
  lv.ItemSelected(-1, true);
  EXPECT_EQ(lv.SelectedCount(), 5);
  EXPECT_EQ(lv.ItemFindState(-1, LVNI_FOCUSED), 4);
  lv.ItemSelected(-1, false);
  EXPECT_EQ(lv.SelectionItem(), -1);
}

TEST_F(ListViewContent, ItemStatesImagesAndIndents) {
  lv.ItemChecked(2, false);  // without check boxes the state image is still written
  EXPECT_EQ(SendMessageW(lv.hListView(), LVM_GETITEMSTATE, 2, LVIS_STATEIMAGEMASK), INDEXTOSTATEIMAGEMASK(1));
  lv.CheckBoxes(true);
  lv.ItemChecked(2, true);
  EXPECT_TRUE(lv.ItemChecked(2));
  EXPECT_FALSE(lv.ItemChecked(3));

  lv.ItemGhosted(1, true);
  EXPECT_TRUE(lv.ItemGhosted(1));
  EXPECT_FALSE(lv.ItemGhosted(0));
  lv.ItemIcon(1, 3);
  lv.ItemIndent(1, 2);
  lv.SubItemImages(true);
  lv.SubItemIcon(1, 2, 4);
  EXPECT_EQ(lv.ItemIcon(1), 3);
  EXPECT_EQ(lv.ItemIndent(1), 2);
  EXPECT_EQ(lv.SubItemIcon(1, 2), 4);
  EXPECT_TRUE(lv.SubItemSet(1, 1, L"set", 5));
  EXPECT_EQ(lv.SubItemText(1, 1), L"set");
}

TEST_F(ListViewContent, FindRemoveAndMissingItems) {
  EXPECT_EQ(lv.ItemFindText(L"r3"), 3);
  EXPECT_EQ(lv.ItemFindText(L"r", 3, LVFI_PARTIAL), 4);
  EXPECT_EQ(lv.ItemFindText(L"nothing"), -1);
  EXPECT_TRUE(lv.ItemRemove(0));
  EXPECT_EQ(lv.ItemText(0), L"r1");
  EXPECT_EQ(lv.ItemText(99), L"");
  EXPECT_EQ(lv.SubItemText(0, 9), L"");
  EXPECT_FALSE(lv.ItemRemove(99));
  EXPECT_TRUE(lv.ItemEnsureVisible(3));
  const POINT pt = host.ItemPoint(2);
  lv.ScaleMode(SCALE_PIXELS);
  EXPECT_EQ(lv.ItemHitTest(static_cast<float>(pt.x), static_cast<float>(pt.y)), 2);
  EXPECT_EQ(lv.ItemHitTest(5, 290), -1);
}

TEST_F(ListViewContent, SortsByAColumn) {
  lv.SubItemText(0, 2, L"10");
  lv.SubItemText(1, 2, L"9");
  lv.SubItemText(2, 2, L"100");
  lv.SubItemText(3, 2, L"");
  lv.SubItemText(4, 2, L"-3");
  ASSERT_TRUE(lv.Sort(2, SORT_DESCENDING, SORT_NUMBER));
  EXPECT_THAT(Column(lv, 0), ElementsAre(L"r2", L"r0", L"r1", L"r3", L"r4"));
  EXPECT_TRUE(lv.Sort(0, SORT_KEEP, SORT_TEXT));
  EXPECT_FALSE(lv.Sort(0, 2, SORT_TEXT));
  EXPECT_THAT(Column(lv, 0), ElementsAre(L"r2", L"r0", L"r1", L"r3", L"r4"));
}

TEST_F(ListViewContent, ColumnsAlignAndColumnZeroStaysLeft) {
  lv.ColumnRemove(2);
  lv.ColumnRemove(1);
  lv.ColumnRemove(0);
  EXPECT_EQ(lv.ColumnCount(), 0);
  ASSERT_TRUE(lv.ColumnAdd(0, L"a", 50, LVCFMT_CENTER));
  ASSERT_TRUE(lv.ColumnAdd(1, L"b", 50, LVCFMT_RIGHT));
  EXPECT_EQ(lv.ColumnAlign(0), LVCFMT_LEFT);
  EXPECT_EQ(lv.ColumnAlign(1), LVCFMT_RIGHT);
  lv.ColumnAlign(0, LVCFMT_RIGHT);
  lv.ColumnAlign(1, LVCFMT_CENTER);
  EXPECT_EQ(lv.ColumnAlign(0), LVCFMT_LEFT);
  EXPECT_EQ(lv.ColumnAlign(1), LVCFMT_CENTER);

  const std::wstring longText(400, L'列');
  lv.ColumnText(1, longText);
  EXPECT_EQ(lv.ColumnText(1), longText);
  lv.ColumnWidth(1, 77);
  EXPECT_EQ(lv.ColumnWidth(1), 77);
  EXPECT_TRUE(lv.ColumnAutosize(1, LVSCW_AUTOSIZE_USEHEADER));
  EXPECT_NE(lv.ColumnWidth(1), 77);
  EXPECT_TRUE(lv.ColumnAdd(9, L"appended", 30));  // beyond the end: appended as column 2
  EXPECT_EQ(lv.ColumnText(2), L"appended");
}

TEST_F(ListViewContent, AColumnThatLandsFirstIsLeftAlignedWhateverIndexWasAsked) {
  while (lv.ColumnCount() > 0) lv.ColumnRemove(0);
  ASSERT_TRUE(lv.ColumnAdd(5, L"a", 50, LVCFMT_CENTER));
  EXPECT_EQ(lv.ColumnAlign(0), LVCFMT_LEFT);
  HDITEMW item{};
  item.mask = HDI_FORMAT;
  SendMessageW(lv.hHeader(), HDM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  EXPECT_EQ(item.fmt & HDF_JUSTIFYMASK, HDF_LEFT);
  ASSERT_TRUE(lv.ColumnAdd(5, L"b", 50, LVCFMT_CENTER));
  EXPECT_EQ(lv.ColumnAlign(1), LVCFMT_CENTER);
}

TEST_F(ListViewContent, HeaderImagesFollowTheHeaderAcrossRemovingEveryColumn) {
  while (lv.ColumnCount() > 0) lv.ColumnRemove(0);
  EXPECT_EQ(lv.hHeader(), nullptr);
  ASSERT_TRUE(lv.InitializeImageListHeader());
  const HICON icon = LoadIconW(nullptr, IDI_APPLICATION);
  EXPECT_EQ(lv.ImageListHeader_AddIcon(icon), 0);
  EXPECT_EQ(lv.ImageListHeader_AddIcon(icon), 1);
  ASSERT_TRUE(lv.ColumnAdd(0, L"a", 60, 0, 1));
  ASSERT_NE(lv.hHeader(), nullptr);
  const auto images = SendMessageW(lv.hHeader(), HDM_GETIMAGELIST, 0, 0);
  EXPECT_NE(images, 0);
  EXPECT_EQ(lv.ColumnIcon(0), 1);

  ASSERT_TRUE(lv.ColumnAdd(1, L"b", 60, LVCFMT_RIGHT));
  lv.ColumnIcon(1, 0);
  EXPECT_EQ(lv.ColumnIcon(1), 0);
  EXPECT_EQ(lv.ColumnAlign(1), LVCFMT_RIGHT);
  HDITEMW item{};
  item.mask = HDI_FORMAT;
  SendMessageW(lv.hHeader(), HDM_GETITEMW, 1, reinterpret_cast<LPARAM>(&item));
  EXPECT_EQ(item.fmt & (HDF_IMAGE | HDF_JUSTIFYMASK), HDF_IMAGE | HDF_RIGHT);

  // Changing the alignment, the text or the width keeps the icon.
  ASSERT_TRUE(lv.ColumnAdd(2, L"c", 60, LVCFMT_LEFT, 1));
  const auto imageAndAlign = [&] {
    SendMessageW(lv.hHeader(), HDM_GETITEMW, 2, reinterpret_cast<LPARAM>(&item));
    return item.fmt & (HDF_IMAGE | HDF_JUSTIFYMASK);
  };
  lv.ColumnAlign(2, LVCFMT_CENTER);
  EXPECT_EQ(imageAndAlign(), HDF_IMAGE | HDF_CENTER);
  lv.ColumnText(2, L"cc");
  EXPECT_EQ(imageAndAlign(), HDF_IMAGE | HDF_CENTER);
  lv.ColumnWidth(2, 70);
  lv.ColumnAutosize(2);
  EXPECT_EQ(imageAndAlign(), HDF_IMAGE | HDF_CENTER);
  EXPECT_EQ(lv.ColumnAlign(2), LVCFMT_CENTER);
  EXPECT_EQ(lv.ColumnIcon(2), 1);
  EXPECT_EQ(lv.ColumnText(2), L"cc");
  lv.ColumnRemove(2);

  lv.ColumnRemove(1);
  lv.ColumnRemove(0);
  EXPECT_EQ(lv.hHeader(), nullptr);
  SendMessageW(reinterpret_cast<HWND>(SendMessageW(lv.hListView(), LVM_GETHEADER, 0, 0)), HDM_SETIMAGELIST, 0, 0);
  ASSERT_TRUE(lv.ColumnAdd(0, L"again", 60));
  EXPECT_EQ(SendMessageW(lv.hHeader(), HDM_GETIMAGELIST, 0, 0), images);
}

TEST_F(ListViewContent, MaskColourNoneAddsWithoutTransparency) {
  EXPECT_EQ(lv.ImageListSmall_AddBitmap(nullptr), -1);  // no list yet
  ASSERT_TRUE(lv.InitializeImageListSmall());
  const HBITMAP black = SolidBitmap(RGB(0, 0, 0));
  EXPECT_EQ(lv.ImageListSmall_AddBitmap(black, CLR_NONE), 0);
  EXPECT_EQ(lv.ImageListSmall_AddBitmap(black, RGB(0, 0, 0)), 1);
  DeleteObject(black);
  const auto list = reinterpret_cast<HIMAGELIST>(SendMessageW(lv.hListView(), LVM_GETIMAGELIST, LVSIL_SMALL, 0));
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(DrawnOverWhite(list, 0), RGB(0, 0, 0));
  EXPECT_EQ(DrawnOverWhite(list, 1), RGB(255, 255, 255));
}

TEST_F(ListViewContent, RowsBeyondSixteenBitsWork) {
  lv.Clear();
  const int rows = 32800;
  // Without redrawing: under Wine each row shown would cost an X round trip.
  SendMessageW(lv.hListView(), WM_SETREDRAW, FALSE, 0);
  for (int i = 0; i < rows; ++i) ASSERT_TRUE(lv.ItemAdd(i, std::to_wstring(i), 0, 0));
  SendMessageW(lv.hListView(), WM_SETREDRAW, TRUE, 0);
  EXPECT_EQ(lv.Count(), rows);
  lv.SubItemText(rows - 1, 1, L"last");
  EXPECT_EQ(lv.SubItemText(rows - 1, 1), L"last");
  lv.ItemSelected(32790, true);
  EXPECT_EQ(lv.SelectionItem(), 32790);
  EXPECT_EQ(lv.ItemFindText(L"32799"), 32799);
}
