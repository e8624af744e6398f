#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ListViewHost.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

const std::vector<std::string> kClicks = {"MouseDown", "MouseUp", "Click", "ItemClick", "DblClick", "ItemCheck"};

// Shift, Ctrl and Alt as the thread sees them while it handles messages.
void SetModifiers(bool shift, bool ctrl) {
  BYTE keys[256]{};
  GetKeyboardState(keys);
  keys[VK_SHIFT] = shift ? 0x80 : 0;
  keys[VK_CONTROL] = ctrl ? 0x80 : 0;
  SetKeyboardState(keys);
}

// A point on the check box of an item, found by hit-testing along its row.
POINT CheckBoxPoint(const ListViewHost& host, int item) {
  POINT pt = host.ItemPoint(item);
  for (pt.x = 0; pt.x < 40; ++pt.x) {
    LVHITTESTINFO info{};
    info.pt = pt;
    SendMessageW(host.lv.hListView(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info));
    if (info.flags == LVHT_ONITEMSTATEICON) return pt;
  }
  ADD_FAILURE() << "no check box";
  return pt;
}

struct Site : IControlSite {
  std::vector<int> modifiers;
  void TranslateAccelerator(const MSG& msg, int Modifiers) override {
    if (msg.message == WM_KEYDOWN) modifiers.push_back(Modifiers);
  }
};

}  // namespace

class ListViewEvents : public ::testing::Test {
 protected:
  void SetUp() override {
    host.lv.ScaleMode(SCALE_PIXELS);
    host.Fill(4);
    host.Focus();
    host.log.Clear();
  }
  void TearDown() override { SetModifiers(false, false); }

  std::string At(const char* name, int button, POINT pt) const {
    return std::string(name) + " " + std::to_string(button) + " " + std::to_string(pt.x) + " " + std::to_string(pt.y);
  }

  ListViewHost host;
};

TEST_F(ListViewEvents, ClickingAnItemRaisesDownItemClickUpClick) {
  const POINT pt = host.ItemPoint(2);
  host.Click(pt);
  EXPECT_THAT(host.log.Only(kClicks), ElementsAre(At("MouseDown", 1, pt), "ItemClick 2", At("MouseUp", 1, pt), "Click"));

  host.log.Clear();  // already selected: the press itself reports the item
  host.Click(pt);
  EXPECT_THAT(host.log.Only(kClicks), ElementsAre(At("MouseDown", 1, pt), "ItemClick 2", At("MouseUp", 1, pt), "Click"));

  host.log.Clear();
  host.Click(pt, WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON);
  EXPECT_THAT(host.log.Only(kClicks), ElementsAre(At("MouseDown", 2, pt), "ItemClick 2", At("MouseUp", 2, pt), "Click"));

  host.log.Clear();
  host.Click(pt, WM_MBUTTONDOWN, WM_MBUTTONUP, MK_MBUTTON);
  EXPECT_THAT(host.log.Only(kClicks), ElementsAre(At("MouseDown", 4, pt), "ItemClick 2", At("MouseUp", 4, pt), "Click"));
}

TEST_F(ListViewEvents, ClickingEmptySpaceCountsOnlyWithMultiSelect) {
  const POINT empty{50, 250};
  host.Click(empty);
  EXPECT_THAT(host.log.Only(kClicks), ElementsAre(At("MouseDown", 1, empty)));

  host.lv.MultiSelect(true);
  host.log.Clear();
  host.Click(empty);
  EXPECT_THAT(host.log.Only(kClicks), ElementsAre(At("MouseDown", 1, empty), At("MouseUp", 1, empty), "Click"));
}

TEST_F(ListViewEvents, AMiddleClickCountsAnywhere) {
  const POINT empty{50, 250};
  host.Click(empty, WM_MBUTTONDOWN, WM_MBUTTONUP, MK_MBUTTON);
  EXPECT_THAT(host.log.Only(kClicks), ElementsAre(At("MouseDown", 4, empty), At("MouseUp", 4, empty), "Click"));
}

TEST_F(ListViewEvents, MouseUnitsFollowScaleMode) {
  const POINT pt = host.ItemPoint(1);
  host.lv.ScaleMode(SCALE_TWIPS);
  host.Click(pt);
  const HDC screen = GetDC(nullptr);
  const int twipsX = 1440 / GetDeviceCaps(screen, LOGPIXELSX), twipsY = 1440 / GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(host.log.lines.front(), At("MouseDown", 1, POINT{pt.x * twipsX, pt.y * twipsY}));
  EXPECT_EQ(host.lv.ItemHitTest(static_cast<float>(pt.x * twipsX), static_cast<float>(pt.y * twipsY)), 1);
  host.lv.ScaleMode(0);  // not a supported mode: ignored
  EXPECT_EQ(host.lv.ScaleMode(), SCALE_TWIPS);
}

TEST_F(ListViewEvents, CheckBoxesRaiseItemCheckButNoClick) {
  host.lv.CheckBoxes(true);
  Pump();
  host.log.Clear();
  host.Click(CheckBoxPoint(host, 1));
  EXPECT_THAT(host.log.Only({"ItemCheck", "Click", "MouseUp"}), ElementsAre("ItemCheck 1"));
  EXPECT_TRUE(host.lv.ItemChecked(1));

  host.log.Clear();
  host.lv.ItemChecked(1, false);
  EXPECT_THAT(host.log.Only({"ItemCheck"}), ElementsAre("ItemCheck 1"));
  EXPECT_FALSE(host.lv.ItemChecked(1));
}

TEST_F(ListViewEvents, ItemClickFromSelectionNeedsAnItemWithoutState) {
  host.lv.Clear();
  host.log.Clear();
  host.lv.ItemAdd(0, L"first", 0, 0);
  host.lv.ItemAdd(1, L"second", 0, 0);
  EXPECT_TRUE(host.lv.ItemFocused(0));
  EXPECT_FALSE(host.lv.ItemSelected(0));
  host.lv.ItemSelected(0, true);  // had the focus already
  host.lv.ItemSelected(1, true);
  EXPECT_THAT(host.log.Only({"ItemClick"}), ElementsAre("ItemClick 1"));
}

TEST_F(ListViewEvents, KeysAndSpace) {
  host.lv.ItemSelected(0, true);
  host.log.Clear();
  host.Key(VK_DOWN);
  EXPECT_THAT(host.log.Only({"Key", "ItemClick"}), ElementsAre("KeyDown 40 0", "ItemClick 1", "KeyUp 40 0"));
  EXPECT_EQ(host.lv.SelectionItem(), 1);
  EXPECT_EQ(GetFocus(), host.lv.hListView());

  host.log.Clear();
  SendMessageW(host.lv.hListView(), WM_CHAR, VK_SPACE, 0);
  EXPECT_THAT(host.log.Only({"KeyPress", "ItemClick"}), ElementsAre("KeyPress 32", "ItemClick 1"));

  host.log.Clear();
  SetModifiers(true, false);
  SendMessageW(host.lv.hListView(), WM_KEYDOWN, 'A', 0);
  EXPECT_THAT(host.log.Only({"Key"}), ElementsAre("KeyDown 65 1"));
}

TEST_F(ListViewEvents, TabLeavesTheListAndCtrlTabGoesToTheSite) {
  host.Key(VK_TAB);
  EXPECT_EQ(GetFocus(), host.button);
  SetModifiers(true, false);
  host.Key(VK_TAB);
  SetModifiers(false, false);
  EXPECT_EQ(GetFocus(), host.lv.hListView());

  Site site;
  host.lv.ControlSite(&site);
  SetModifiers(false, true);
  host.Key(VK_TAB);
  host.Focus();
  SetModifiers(true, true);
  host.Key(VK_TAB);
  EXPECT_THAT(site.modifiers, ElementsAre(0, 1));
}

TEST_F(ListViewEvents, ArrowsGoToTheOpenLabelEditor) {
  host.lv.LabelEdit(true);
  const HWND edit = reinterpret_cast<HWND>(SendMessageW(host.lv.hListView(), LVM_EDITLABELW, 2, 0));
  ASSERT_NE(edit, nullptr);
  SetFocus(edit);
  Pump();
  host.lv.ItemSelected(2, true);
  SendMessageW(edit, EM_SETSEL, 2, 2);
  host.Key(VK_LEFT);
  DWORD start = 0, end = 0;
  SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 1u);
  EXPECT_EQ(end, 1u);
  EXPECT_EQ(host.lv.SelectionItem(), 2);
  EXPECT_THAT(host.log.Only({"KeyDown"}), IsEmpty());
}

TEST_F(ListViewEvents, LabelEditingCanBeCancelledBeforeAndAfter) {
  host.lv.LabelEdit(true);
  host.log.cancelBeforeEdit = 1;
  SendMessageW(host.lv.hListView(), LVM_EDITLABELW, 1, 0);
  Pump();
  EXPECT_EQ(SendMessageW(host.lv.hListView(), LVM_GETEDITCONTROL, 0, 0), 0);
  EXPECT_THAT(host.log.Only({"BeforeLabelEdit", "AfterLabelEdit"}), ElementsAre("BeforeLabelEdit"));

  const std::wstring text = std::wstring(280, L'长') + L"!";
  for (int cancel : {1, 0}) {
    host.log.cancelBeforeEdit = 0;
    host.log.cancelAfterEdit = cancel;
    const auto edit = reinterpret_cast<HWND>(SendMessageW(host.lv.hListView(), LVM_EDITLABELW, 1, 0));
    ASSERT_NE(edit, nullptr);
    SetWindowTextW(edit, text.c_str());
    SendMessageW(edit, WM_KEYDOWN, VK_RETURN, 0);
    Pump();
    EXPECT_EQ(host.log.editedText, text);
    EXPECT_EQ(host.lv.ItemText(1), cancel ? L"r1" : text);
  }

  const auto edit = reinterpret_cast<HWND>(SendMessageW(host.lv.hListView(), LVM_EDITLABELW, 2, 0));
  ASSERT_NE(edit, nullptr);
  SetWindowTextW(edit, L"typed");
  SendMessageW(edit, WM_KEYDOWN, VK_ESCAPE, 0);
  Pump();
  EXPECT_EQ(host.log.editedText, L"");
  EXPECT_EQ(host.lv.ItemText(2), L"r2");
}

TEST_F(ListViewEvents, SubItemColoursApplyOnlyWhenProcessIsSet) {
  const POINT pt = host.ItemPoint(0);
  auto pixel = [&] {
    RedrawWindow(host.lv.hListView(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    const HDC dc = GetDC(host.lv.hListView());
    const COLORREF color = GetPixel(dc, pt.x + 30, pt.y);  // inside the label, right of its text
    ReleaseDC(host.lv.hListView(), dc);
    return color;
  };
  const COLORREF plain = pixel();
  EXPECT_EQ(host.log.prePaints, 0);

  host.lv.RaiseSubItemPrePaint(true);
  EXPECT_EQ(pixel(), plain);
  EXPECT_GT(host.log.prePaints, 0);

  host.log.paintProcess = true;
  EXPECT_EQ(pixel(), RGB(255, 0, 0));
}

TEST_F(ListViewEvents, MouseEnterMoveLeave) {
  RECT rc{};
  GetWindowRect(host.lv.hListView(), &rc);
  SetCursorPos(rc.left + 100, rc.top + 100);  // leave tracking watches the real pointer
  Pump();
  EXPECT_THAT(host.log.Only({"Mouse"}), ElementsAre("MouseEnter", "MouseMove 0 100 100"));
  host.log.Clear();
  for (LPARAM at : {MAKELPARAM(100, 100), MAKELPARAM(101, 100)})
    SendMessageW(host.lv.hListView(), WM_MOUSEMOVE, MK_LBUTTON, at);
  EXPECT_THAT(host.log.Only({"Mouse"}), ElementsAre("MouseMove 1 101 100"));

  host.log.Clear();
  SetCursorPos(rc.right + 200, rc.bottom + 200);
  for (int i = 0; i < 200 && host.log.Only({"MouseLeave"}).empty(); ++i) Pump();
  SendMessageW(host.lv.hListView(), WM_MOUSEMOVE, 0, MAKELPARAM(101, 100));
  EXPECT_THAT(host.log.Only({"MouseEnter", "MouseLeave", "MouseMove"}),
              ElementsAre("MouseLeave", "MouseEnter", "MouseMove 0 101 100"));
}

TEST_F(ListViewEvents, HeaderClicksNameTheColumn) {
  const HWND header = host.lv.hHeader();
  ASSERT_NE(header, nullptr);
  RECT rc{};
  SendMessageW(header, HDM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&rc));
  const POINT pt{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
  PostMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
  PostMessageW(header, WM_LBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
  Pump();
  POINT screen = pt;
  ClientToScreen(header, &screen);
  SetCursorPos(screen.x, screen.y);
  PostMessageW(header, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(pt.x, pt.y));
  PostMessageW(header, WM_RBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
  Pump();
  EXPECT_THAT(host.log.Only({"Column"}), ElementsAre("ColumnClick 1", "ColumnRightClick 1"));
}

TEST_F(ListViewEvents, FixedWidthHeaderRefusesTheUserButNotTheControl) {
  const HWND header = host.lv.hHeader();
  RECT rc{};
  SendMessageW(header, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&rc));
  auto drag = [&] {
    const int y = (rc.top + rc.bottom) / 2;
    PostMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(rc.right, y));
    PostMessageW(header, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(rc.right + 40, y));
    PostMessageW(header, WM_LBUTTONUP, 0, MAKELPARAM(rc.right + 40, y));
    Pump();
  };
  host.lv.HeaderFixedWidth(true);
  drag();
  EXPECT_EQ(host.lv.ColumnWidth(0), 100);
  host.lv.ColumnWidth(0, 60);
  EXPECT_EQ(host.lv.ColumnWidth(0), 60);
  host.lv.HeaderFixedWidth(false);
  rc.right = 60;
  drag();
  EXPECT_EQ(host.lv.ColumnWidth(0), 100);
}
