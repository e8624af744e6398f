#include <gtest/gtest.h>

#include "ListViewHost.h"

namespace {

// Rows whose first column shows image Item % 3.
class IconRows : public ucListViewData {
 public:
  std::wstring_view ItemText(int, int) const override { return L"row"; }
  int ItemIcon(int Item) const override { return Item % 3; }
};

HIMAGELIST ThreeIcons() {
  HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 3, 0);
  for (int i = 0; i < 3; ++i) ImageList_AddIcon(list, LoadIconW(nullptr, IDI_APPLICATION));
  return list;
}

// An owner-data report list of rows, its first column firstWidth wide.
::testing::AssertionResult ShowRows(ListViewHost& host, ucListViewData& rows, int firstWidth) {
  if (!host.lv.OwnerData(&rows) || !host.lv.Initialize()) return ::testing::AssertionFailure() << "no list";
  host.lv.ViewMode(VIEWMODE_REPORT);
  host.lv.ColumnAdd(0, L"c0", firstWidth);
  return ::testing::AssertionSuccess();
}

TEST(SharedIcons, AnOwnerDataListShowsTheRowsImagesFromAListItDoesNotOwn) {
  IconRows rows;
  HIMAGELIST icons = ThreeIcons();
  {
    ListViewHost host(false);
    ASSERT_TRUE(ShowRows(host, rows, 100));
    ASSERT_TRUE(host.lv.InitializeImageListSmall());
    ASSERT_TRUE(host.lv.ImageListSmall_Share(icons));
    ASSERT_TRUE(host.lv.ItemCount(10));
    EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageW(host.lv.hListView(), LVM_GETIMAGELIST, LVSIL_SMALL, 0)), icons);
    for (int item : {0, 4, 8}) EXPECT_EQ(host.lv.ItemIcon(item), item % 3) << item;
    EXPECT_EQ(host.lv.ImageListSmall_AddIcon(LoadIconW(nullptr, IDI_APPLICATION)), -1) << "its own list is gone";
  }
  EXPECT_EQ(ImageList_GetImageCount(icons), 3) << "the list outlives the control";
  ImageList_Destroy(icons);
}

// Rows that paint their own images, recording where the list asks for them.
class SelfDrawnIconRows : public IconRows {
 public:
  bool DrawsItemIcons() const override { return true; }
  void DrawItemIcon(int Item, HDC, const RECT& Place) const override { drawn.push_back({Item, Place}); }
  struct Drawn {
    int item;
    RECT place;
  };
  mutable std::vector<Drawn> drawn;
};

// The list keeps the images' place but leaves it to the host, which is asked
// once per painted row for the place cut to the first column, wherever the
// columns scroll; the rows still name their images.
TEST(SharedIcons, AHostThatDrawsItsImagesIsAskedForEachPaintedRowAtTheirPlace) {
  SelfDrawnIconRows rows;
  HIMAGELIST icons = ThreeIcons();
  ListViewHost host(false);
  ASSERT_TRUE(ShowRows(host, rows, 10));
  host.lv.ColumnAdd(1, L"c1", 2000);
  ASSERT_TRUE(host.lv.ImageListSmall_Share(icons));
  ASSERT_TRUE(host.lv.ItemCount(5));
  for (const int scroll : {0, 4}) {
    SendMessageW(host.lv.hListView(), LVM_SCROLL, scroll, 0);
    rows.drawn.clear();
    InvalidateRect(host.lv.hListView(), nullptr, TRUE);
    UpdateWindow(host.lv.hListView());
    ASSERT_EQ(rows.drawn.size(), 5u) << scroll;
    for (const auto& [item, place] : rows.drawn) {
      RECT icon{}, row{};
      icon.left = LVIR_ICON;
      row.left = LVIR_BOUNDS;
      SendMessageW(host.lv.hListView(), LVM_GETITEMRECT, item, reinterpret_cast<LPARAM>(&icon));
      SendMessageW(host.lv.hListView(), LVM_GETITEMRECT, item, reinterpret_cast<LPARAM>(&row));
      EXPECT_EQ(row.left, -scroll);
      EXPECT_EQ(place.left, icon.left) << item;
      EXPECT_EQ(place.top, icon.top) << item;
      EXPECT_EQ(place.right, row.left + 10) << item << " is cut to the first column";
    }
  }
  LVITEMW item{};
  item.mask = LVIF_IMAGE;
  item.iItem = 4;
  ASSERT_TRUE(SendMessageW(host.lv.hListView(), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)));
  EXPECT_EQ(item.iImage, I_IMAGENONE);
  EXPECT_EQ(host.lv.ItemIcon(4), 1);
  ImageList_Destroy(icons);
}

}  // namespace
