#include "ConnectionView.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "TestRows.h"

namespace {

constexpr uint8_t kAny[4] = {0, 0, 0, 0};
constexpr int kReportView = 1;

// Listeners of process pid on the given ports, in that order.
ConnectionModel Listeners(const std::vector<uint16_t>& ports, uint32_t pid = 10) {
  std::vector<ConnectionRow> rows;
  for (const uint16_t port : ports) {
    const TcpRow row = MakeRow(pid, kAny, port, kAny, 0, 2);
    rows.push_back({IdOf(row), RowTexts(row, L"p.exe")});
  }
  return ConnectionModel(std::move(rows));
}

std::vector<uint16_t> Ports(uint16_t from, uint16_t to) {
  std::vector<uint16_t> ports;
  for (uint32_t port = from; port <= to; ++port) ports.push_back(static_cast<uint16_t>(port));
  return ports;
}

class ConnectionViewTest : public testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"LumoraViewTestHost";
    RegisterClassW(&wc);
    host_ = CreateWindowExW(0, wc.lpszClassName, L"", WS_OVERLAPPEDWINDOW, 0, 0, 600, 400, nullptr, nullptr,
                            wc.hInstance, nullptr);
    ASSERT_TRUE(lvInfo_.Create(host_, 0, 0, 600, 400, 1));
    ASSERT_TRUE(lvInfo_.Initialize());
    lvInfo_.ViewMode(kReportView);
    for (int c = 0; c < 8; ++c) lvInfo_.ColumnAdd(c, L"c" + std::to_wstring(c), 60);
  }

  void TearDown() override { DestroyWindow(host_); }

  std::wstring Port(int item) const { return lvInfo_.SubItemText(item, kLocalPortColumn); }

  // Shows ports 1001..1100, selects selectedPort and scrolls topPort to the top.
  void Place(uint16_t selectedPort, uint16_t topPort) {
    view_.Show(Listeners(Ports(1001, 1100)));
    lvInfo_.ItemSelected(selectedPort - 1001, true);
    lvInfo_.TopItem(topPort - 1001);
    ASSERT_EQ(lvInfo_.TopItem(), topPort - 1001);
  }

  HWND host_ = nullptr;
  ucListView lvInfo_;
  ConnectionView view_{lvInfo_};
};

TEST_F(ConnectionViewTest, TheListShowsTheModelInTheChosenOrderAndItsRemarks) {
  view_.Show(Listeners({80, 443, 8080}));
  view_.SortBy(kLocalPortColumn, false);
  ASSERT_EQ(lvInfo_.Count(), 3);
  EXPECT_EQ(Port(0), L"8080");
  EXPECT_EQ(view_.Row(2).texts[kLocalPortColumn], L"80");
  view_.SetRemark(1, L"web");
  EXPECT_EQ(lvInfo_.SubItemText(1, kRemarkColumn), L"web");

  // The order holds, the remark stays with port 443, once the closed rows
  // have had their refresh.
  view_.Show(Listeners({22, 443, 9000}));
  view_.Show(Listeners({22, 443, 9000}));
  EXPECT_EQ(Port(0), L"9000");
  EXPECT_EQ(Port(1), L"443");
  EXPECT_EQ(lvInfo_.SubItemText(1, kRemarkColumn), L"web");
  EXPECT_EQ(lvInfo_.SubItemText(2, 0), L"10");
}

TEST_F(ConnectionViewTest, ARefreshKeepsTheSelectedAndTheTopConnectionWhereverTheSortPutsThem) {
  view_.SortBy(kLocalPortColumn, true);
  Place(1080, 1030);
  // Two new connections sort in front, one before the top goes away.
  std::vector<uint16_t> ports = Ports(1001, 1100);
  ports.erase(ports.begin() + 10);
  ports.insert(ports.end(), {1, 2, 3});
  view_.Show(Listeners(ports));
  EXPECT_EQ(lvInfo_.SelectedCount(), 1);
  EXPECT_EQ(Port(lvInfo_.SelectionItem()), L"1080");
  EXPECT_TRUE(lvInfo_.ItemFocused(lvInfo_.SelectionItem()));
  EXPECT_EQ(Port(lvInfo_.TopItem()), L"1030");

  // A header sort keeps the selection and shows it.
  view_.SortBy(kLocalPortColumn, false);
  EXPECT_EQ(Port(lvInfo_.SelectionItem()), L"1080");
  EXPECT_EQ(lvInfo_.SelectionItem(), 1100 - 1080);
  EXPECT_TRUE(lvInfo_.ItemFocused(lvInfo_.SelectionItem()));
}

// A closed top row stays at the top for a refresh, after the survivor before
// it; when it leaves, its nearest survivor in that order takes its place.
TEST_F(ConnectionViewTest, WhenTheTopConnectionHasGoneItsNearestSurvivorTakesItsPlace) {
  struct Case {
    std::vector<uint16_t> gone;
    const wchar_t* top;
  };
  const Case cases[] = {
      {{1030}, L"1028"},               // ... 1031 1029 [1030] 1028: the one after it first
      {{1030, 1031, 1032}, L"1029"},   // ... 1033 1029 [1030] 1031 1032 1028: then the one before it
      {{1030, 1031, 1029}, L"1027"},   // ... 1032 1028 1029 [1030] 1031 1027
  };
  for (const Case& c : cases) {
    Place(1060, 1030);
    std::vector<uint16_t> ports = Ports(1001, 1100);
    std::erase_if(ports, [&](uint16_t port) { return std::find(c.gone.begin(), c.gone.end(), port) != c.gone.end(); });
    // In the new order the survivor lies far from where the top row was.
    std::reverse(ports.begin(), ports.end());
    view_.Show(Listeners(ports));
    EXPECT_EQ(Port(lvInfo_.TopItem()), L"1030");
    EXPECT_EQ(view_.Age(lvInfo_.TopItem()), RowAge::Closed);
    view_.Show(Listeners(ports));
    EXPECT_EQ(Port(lvInfo_.TopItem()), c.top);
    EXPECT_EQ(Port(lvInfo_.SelectionItem()), L"1060");
  }
}

TEST_F(ConnectionViewTest, AGoneSelectionLeavesNothingSelectedAndTheFocusOnTheTopRow) {
  Place(1040, 1030);
  std::vector<uint16_t> ports = Ports(1001, 1100);
  ports.erase(ports.begin() + (1040 - 1001));
  view_.Show(Listeners(ports));
  EXPECT_EQ(Port(lvInfo_.SelectionItem()), L"1040") << "the closed connection, for one refresh";
  view_.Show(Listeners(ports));
  EXPECT_EQ(lvInfo_.SelectedCount(), 0);
  EXPECT_EQ(Port(lvInfo_.ItemFindState(-1, LVNI_FOCUSED)), L"1030");
  EXPECT_EQ(Port(lvInfo_.TopItem()), L"1030");

  // Nothing of the old list left: the list stays where it was as far as it reaches.
  view_.Show(Listeners(Ports(1, 3), 11));
  view_.Show(Listeners(Ports(1, 3), 11));
  EXPECT_EQ(lvInfo_.Count(), 3);
  EXPECT_EQ(lvInfo_.TopItem(), 0);
}

// A refresh tells the list only what moved, and scrolls once: the focus may
// lie out of the user's page, and a selection may hold every row.
TEST_F(ConnectionViewTest, AFocusOutOfSightAndASelectionOfEverythingKeepTheirConnections) {
  lvInfo_.MultiSelect(true);
  view_.SortBy(kLocalPortColumn, true);
  Place(1080, 1030);
  ASSERT_LT(lvInfo_.VisibleCount(), 1080 - 1030);
  for (const std::vector<uint16_t>& front : {std::vector<uint16_t>{1, 2, 3}, std::vector<uint16_t>{}}) {
    std::vector<uint16_t> ports = Ports(1001, 1100);
    ports.insert(ports.end(), front.begin(), front.end());
    view_.Show(Listeners(ports));
    EXPECT_EQ(Port(lvInfo_.TopItem()), L"1030");
    EXPECT_EQ(lvInfo_.SelectedCount(), 1);
    EXPECT_EQ(Port(lvInfo_.SelectionItem()), L"1080");
    EXPECT_EQ(Port(lvInfo_.ItemFindState(-1, LVNI_FOCUSED)), L"1080");
  }

  lvInfo_.ItemSelected(-1, true);
  std::vector<uint16_t> ports = Ports(1001, 1099);
  ports.insert(ports.end(), {4, 5, 6, 7, 8, 9});
  view_.Show(Listeners(ports));
  ASSERT_EQ(view_.Count(), 106);  // six new, 1100 closed
  EXPECT_EQ(lvInfo_.SelectedCount(), 100);
  EXPECT_EQ(lvInfo_.SelectionItem(), 6);
}

}  // namespace

namespace {

TEST_F(ConnectionViewTest, TheFilterHoldsOverRefreshesAndKeepsTheSelectedConnections) {
  lvInfo_.MultiSelect(true);
  view_.Show(Listeners(Ports(1001, 1100)));
  lvInfo_.ItemSelected(1050 - 1001, true);
  lvInfo_.ItemSelected(1052 - 1001, true);
  view_.Filter(L" 105");
  ASSERT_EQ(view_.Count(), 10);
  EXPECT_EQ(Port(0), L"1050");
  EXPECT_EQ(view_.SelectedItems(), (std::vector<int>{0, 2}));

  std::vector<uint16_t> ports = Ports(1001, 1100);
  ports.erase(ports.begin() + (1051 - 1001));
  ports.push_back(1105);
  view_.Show(Listeners(ports));
  EXPECT_EQ(view_.Count(), 11);      // 1051 closed, 1105 new
  EXPECT_EQ(view_.ShownRows(), 10);  // of the snapshot's 100
  EXPECT_EQ(view_.Model().Count(), 100);
  EXPECT_EQ(Port(view_.SelectedItems().back()), L"1052");

  view_.Filter(L"");
  EXPECT_EQ(view_.Count(), 101);
  std::vector<std::wstring> selected;
  for (int item : view_.SelectedItems()) selected.push_back(Port(item));
  EXPECT_EQ(selected, (std::vector<std::wstring>{L"1050", L"1052"}));
}

// The snapshot's thread puts the new rows in the list's order; the view takes
// that order only while it still holds.
TEST_F(ConnectionViewTest, AnOrderAppliedBeforeTheShowIsTakenOnlyWhileItStillHolds) {
  const std::vector<uint16_t> ports = {22, 443, 9000};
  auto showOrdered = [&](const ConnectionOrder& keys) {
    ConnectionModel next = Listeners(ports);
    ConnectionOrder ordered = keys;
    ordered.Apply(next);
    view_.Show(std::move(next), std::move(ordered));
  };
  view_.Show(Listeners(ports));
  view_.SortBy(kLocalPortColumn, false);
  showOrdered(view_.Order());
  EXPECT_EQ(Port(0), L"9000");

  const ConnectionOrder beforeTheClick = view_.Order();
  view_.SortBy(kLocalPortColumn, true);
  showOrdered(beforeTheClick);
  EXPECT_EQ(Port(0), L"22") << "the user sorted again while the snapshot was taken";

  // Remarks reach a new model only in the view, after its order was applied.
  view_.SetRemark(2, L"db");
  view_.SortBy(kRemarkColumn, false);
  showOrdered(view_.Order());
  EXPECT_EQ(Port(0), L"9000");
}

TEST_F(ConnectionViewTest, AClosedConnectionTakesNoRemark) {
  view_.Show(Listeners({80, 443}));
  view_.SetRemark(1, L"web");
  view_.Show(Listeners({80}));
  ASSERT_EQ(view_.Age(1), RowAge::Closed);
  view_.SetRemark(1, L"again");
  view_.SetRemark(0, L"http");
  EXPECT_EQ(lvInfo_.SubItemText(1, kRemarkColumn), L"web");
  EXPECT_EQ(view_.Model().Row(0).texts[kRemarkColumn], L"http");
  EXPECT_EQ(view_.Model().Count(), 1);
}

}  // namespace
