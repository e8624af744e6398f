#include <gtest/gtest.h>

#include "ListViewHost.h"

namespace {

DWORD ListStyle(const ucListView& lv) { return static_cast<DWORD>(GetWindowLongPtrW(lv.hListView(), GWL_STYLE)); }
DWORD ExStyle(const ucListView& lv) {
  return static_cast<DWORD>(SendMessageW(lv.hListView(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
}

LOGFONTW ListFont(const ucListView& lv) {
  LOGFONTW logFont{};
  const auto font = reinterpret_cast<HFONT>(SendMessageW(lv.hListView(), WM_GETFONT, 0, 0));
  GetObjectW(font, sizeof(logFont), &logFont);
  return logFont;
}

struct ExtendedFlag {
  const char* name;
  void (ucListView::*set)(bool);
  bool (ucListView::*get)() const;
  DWORD bit;
};

}  // namespace

class ListViewAppearance : public ::testing::Test {
 protected:
  ListViewHost host;
  ucListView& lv = host.lv;
};

TEST_F(ListViewAppearance, ExtendedStyleFlagsRoundTrip) {
  const ExtendedFlag flags[] = {
      {"CheckBoxes", &ucListView::CheckBoxes, &ucListView::CheckBoxes, LVS_EX_CHECKBOXES},
      {"FullRowSelect", &ucListView::FullRowSelect, &ucListView::FullRowSelect, LVS_EX_FULLROWSELECT},
      {"GridLines", &ucListView::GridLines, &ucListView::GridLines, LVS_EX_GRIDLINES},
      {"HeaderDragDrop", &ucListView::HeaderDragDrop, &ucListView::HeaderDragDrop, LVS_EX_HEADERDRAGDROP},
      {"LabelTips", &ucListView::LabelTips, &ucListView::LabelTips, LVS_EX_LABELTIP},
      {"OneClickActivate", &ucListView::OneClickActivate, &ucListView::OneClickActivate, LVS_EX_ONECLICKACTIVATE},
      {"ScrollBarFlat", &ucListView::ScrollBarFlat, &ucListView::ScrollBarFlat, LVS_EX_FLATSB},
      {"SubItemImages", &ucListView::SubItemImages, &ucListView::SubItemImages, LVS_EX_SUBITEMIMAGES},
      {"TrackSelect", &ucListView::TrackSelect, &ucListView::TrackSelect, LVS_EX_TRACKSELECT},
      {"UnderlineHot", &ucListView::UnderlineHot, &ucListView::UnderlineHot, LVS_EX_UNDERLINEHOT},
  };
  for (const auto& flag : flags) {
    EXPECT_FALSE((lv.*flag.get)()) << flag.name;
    (lv.*flag.set)(true);
    EXPECT_TRUE((lv.*flag.get)()) << flag.name;
    EXPECT_EQ(ExStyle(lv) & flag.bit, flag.bit) << flag.name;
    (lv.*flag.set)(false);
    EXPECT_FALSE((lv.*flag.get)()) << flag.name;
    EXPECT_EQ(ExStyle(lv) & flag.bit, 0u) << flag.name;
  }
}

TEST_F(ListViewAppearance, WindowStyleFlags) {
  EXPECT_FALSE(lv.MultiSelect());
  EXPECT_EQ(ListStyle(lv) & LVS_SINGLESEL, static_cast<DWORD>(LVS_SINGLESEL));
  lv.MultiSelect(true);
  EXPECT_EQ(ListStyle(lv) & LVS_SINGLESEL, 0u);
  lv.MultiSelect(false);
  EXPECT_EQ(ListStyle(lv) & LVS_SINGLESEL, static_cast<DWORD>(LVS_SINGLESEL));

  lv.HideSelection(true);
  EXPECT_EQ(ListStyle(lv) & LVS_SHOWSELALWAYS, 0u);
  lv.LabelEdit(true);
  EXPECT_EQ(ListStyle(lv) & LVS_EDITLABELS, static_cast<DWORD>(LVS_EDITLABELS));

  EXPECT_EQ(lv.ViewMode(), 0);  // stored value, although the list starts as a list
  lv.ViewMode(VIEWMODE_REPORT);
  EXPECT_EQ(ListStyle(lv) & LVS_TYPEMASK, static_cast<DWORD>(LVS_REPORT));
  lv.ColumnAdd(0, L"a", 50);
  const HWND header = lv.hHeader();
  EXPECT_TRUE(IsWindowVisible(header));
  lv.HeaderHide(true);
  EXPECT_EQ(ListStyle(lv) & LVS_NOCOLUMNHEADER, static_cast<DWORD>(LVS_NOCOLUMNHEADER));
  EXPECT_FALSE(IsWindowVisible(header));

  lv.HeaderFlat(true);
  EXPECT_EQ(GetWindowLongPtrW(header, GWL_STYLE) & HDS_BUTTONS, 0);
  lv.HeaderFlat(false);
  EXPECT_EQ(GetWindowLongPtrW(header, GWL_STYLE) & HDS_BUTTONS, HDS_BUTTONS);
}

TEST_F(ListViewAppearance, ColoursAcceptSystemColours) {
  lv.BackColor(0x80000000 | COLOR_HIGHLIGHT);
  EXPECT_EQ(lv.BackColor(), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(static_cast<COLORREF>(SendMessageW(lv.hListView(), LVM_GETTEXTBKCOLOR, 0, 0)), GetSysColor(COLOR_HIGHLIGHT));
  lv.ForeColor(RGB(1, 2, 3));
  EXPECT_EQ(lv.ForeColor(), RGB(1, 2, 3));
}

TEST_F(ListViewAppearance, EnabledReachesBothWindows) {
  EXPECT_TRUE(lv.Enabled());
  lv.Enabled(false);
  EXPECT_FALSE(lv.Enabled());
  EXPECT_FALSE(IsWindowEnabled(lv.hListView()));
  lv.Enabled(true);
  EXPECT_TRUE(IsWindowEnabled(lv.hListView()));
}

TEST_F(ListViewAppearance, BorderStyleSetsTheControlsEdgeAndRefitsTheList) {
  const auto edges = [&] {
    return static_cast<DWORD>(GetWindowLongPtrW(lv.hWnd(), GWL_EXSTYLE)) &
           (WS_EX_STATICEDGE | WS_EX_CLIENTEDGE | WS_EX_WINDOWEDGE);
  };
  lv.BorderStyle(BORDER_SUNKEN);
  EXPECT_EQ(edges(), static_cast<DWORD>(WS_EX_CLIENTEDGE));
  RECT client{}, list{};
  GetClientRect(lv.hWnd(), &client);
  GetClientRect(lv.hListView(), &list);
  EXPECT_EQ(list.right, client.right);
  EXPECT_LT(client.right, 400);
  lv.BorderStyle(BORDER_FLAT);
  EXPECT_EQ(edges(), static_cast<DWORD>(WS_EX_STATICEDGE));
  lv.BorderStyle(5);
  EXPECT_EQ(lv.BorderStyle(), 5);
  EXPECT_EQ(edges(), static_cast<DWORD>(WS_EX_STATICEDGE));
  lv.BorderStyle(BORDER_NONE);
  EXPECT_EQ(edges(), 0u);
  GetClientRect(lv.hListView(), &list);
  EXPECT_EQ(list.right, 400);
}

TEST(ListViewBorderBeforeCreate, TheControlIsCreatedWithTheBorder) {
  ucListView lv;
  lv.BorderStyle(BORDER_FLAT);
  ASSERT_TRUE(lv.Create(TestFrame(), 10, 10, 200, 100, 100));
  ASSERT_TRUE(lv.Initialize());
  EXPECT_EQ(lv.BorderStyle(), BORDER_FLAT);
  EXPECT_EQ(GetWindowLongPtrW(lv.hWnd(), GWL_EXSTYLE) & (WS_EX_STATICEDGE | WS_EX_CLIENTEDGE), WS_EX_STATICEDGE);
  EXPECT_EQ(GetWindowLongPtrW(lv.hListView(), GWL_EXSTYLE) & (WS_EX_STATICEDGE | WS_EX_CLIENTEDGE), 0);
  RECT client{}, list{};
  GetClientRect(lv.hWnd(), &client);
  GetClientRect(lv.hListView(), &list);
  EXPECT_LT(client.right, 200);
  EXPECT_EQ(list.right, client.right);
}

TEST_F(ListViewAppearance, FontChangesReachTheList) {
  const HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);

  lv.Font(ListViewFont(L"Arial", 12));
  EXPECT_EQ(ListFont(lv).lfHeight, -MulDiv(12, dpi, 72));
  EXPECT_EQ(std::wstring(ListFont(lv).lfFaceName), L"Arial");
  EXPECT_EQ(ListFont(lv).lfWeight, FW_NORMAL);

  lv.Font().Bold(true);
  lv.Font().Underline(true);
  EXPECT_EQ(ListFont(lv).lfWeight, FW_BOLD);
  EXPECT_TRUE(ListFont(lv).lfUnderline);

  ListViewFont copy = lv.Font();  // a copy changes nothing in the control
  copy.Italic(true);
  EXPECT_FALSE(ListFont(lv).lfItalic);
  EXPECT_FALSE(lv.Font().Italic());
}

TEST(ListViewFontBeforeInitialize, AFontDescribedEarlyIsAppliedByInitialize) {
  ListViewHost host(false);
  host.lv.Font().Strikethrough(true);
  ASSERT_TRUE(host.lv.Initialize());
  EXPECT_TRUE(ListFont(host.lv).lfStrikeOut);
}
