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

TEST(SharedIcons, AnOwnerDataListShowsTheRowsImagesFromAListItDoesNotOwn) {
  IconRows rows;
  HIMAGELIST icons = ThreeIcons();
  {
    ListViewHost host(false);
    ASSERT_TRUE(host.lv.OwnerData(&rows));
    ASSERT_TRUE(host.lv.Initialize());
    host.lv.ViewMode(VIEWMODE_REPORT);
    host.lv.ColumnAdd(0, L"c0", 100);
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

}  // namespace
