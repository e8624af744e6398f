#include "mTCPTable.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "TestRows.h"
#include "ucListView.h"

namespace {

constexpr uint8_t kAny[4] = {0, 0, 0, 0};
constexpr uint8_t kLoopback[4] = {127, 0, 0, 1};
constexpr UINT kDuringYield = WM_APP + 1;
constexpr int kReportView = 1;

// Rows and process paths the test chooses; it counts the path lookups and can
// be told to fail.
class FakeSource : public TcpRowSource {
 public:
  bool Fetch(std::vector<unsigned char>& table) override {
    if (onFetch) onFetch();
    if (fail) return false;
    table = TableBytes(rows);
    return true;
  }
  bool Fetch6(std::vector<unsigned char>& table) override {
    if (fail6) return false;
    table = Table6Bytes(rows6);
    return true;
  }
  std::wstring ProcessPath(unsigned long pid) override {
    ++lookups;
    const auto found = paths.find(pid);
    return found == paths.end() ? std::wstring() : found->second;
  }

  std::vector<TcpRow> rows;
  std::vector<Tcp6Row> rows6;
  std::map<unsigned long, std::wstring> paths;
  bool fail = false;
  bool fail6 = false;
  int lookups = 0;
  std::function<void()> onFetch;
};

// A top-level window whose kDuringYield handler runs what the test sets, and
// an eight-column report list inside it.
class FillTest : public testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSW wc{};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"LumoraFillTestHost";
    RegisterClassW(&wc);
    host_ = CreateWindowExW(0, wc.lpszClassName, L"", WS_OVERLAPPEDWINDOW, 0, 0, 600, 400, nullptr, nullptr,
                            wc.hInstance, nullptr);
    SetWindowLongPtrW(host_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&duringYield_));
    ASSERT_TRUE(lvInfo_.Create(host_, 0, 0, 600, 400, 1));
    ASSERT_TRUE(lvInfo_.Initialize());
    lvInfo_.ViewMode(kReportView);
    for (int c = 0; c < 8; ++c) lvInfo_.ColumnAdd(c, L"c" + std::to_wstring(c), 60);
    auto source = std::make_unique<FakeSource>();
    source_ = source.get();
    table_ = std::make_unique<mTCPTable>(std::move(source));
  }

  void TearDown() override { DestroyWindow(host_); }

  static LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* handler = reinterpret_cast<std::function<void()>*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg == kDuringYield && handler && *handler) {
      (*handler)();
      return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
  }

  bool Refresh() { return table_->FetchTcpTable() && table_->FillConnectionList(lvInfo_); }

  std::vector<std::wstring> Row(int item) {
    std::vector<std::wstring> texts;
    for (int c = 0; c < 8; ++c) texts.push_back(lvInfo_.SubItemText(item, c));
    return texts;
  }

  HWND host_ = nullptr;
  std::function<void()> duringYield_;
  ucListView lvInfo_;
  FakeSource* source_ = nullptr;
  std::unique_ptr<mTCPTable> table_;
};

TEST_F(FillTest, TheWindowAnswersWhileASnapshotIsTakenAndASecondFetchWaitsItsTurn) {
  const HANDLE answered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  bool nested = true;
  duringYield_ = [&] {
    nested = table_->FetchTcpTable();
    SetEvent(answered);
  };
  bool answeredDuringFetch = false;
  source_->onFetch = [&] {
    PostMessageW(host_, kDuringYield, 0, 0);
    answeredDuringFetch = WaitForSingleObject(answered, 5000) == WAIT_OBJECT_0;
  };
  EXPECT_TRUE(table_->FetchTcpTable());
  EXPECT_TRUE(answeredDuringFetch);
  EXPECT_FALSE(nested);
  CloseHandle(answered);
}

// The snapshot's thread tells the window with a posted message; nothing waits
// for it on the window's thread until the window takes it in.
TEST_F(FillTest, ABegunSnapshotArrivesAsAPostedMessageAndOneIsTakenAtATime) {
  constexpr UINT kTaken = WM_APP + 2;
  source_->rows = {MakeRow(10, kAny, 80, kAny, 0, 2)};
  const HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  source_->onFetch = [&] { WaitForSingleObject(release, 5000); };
  ASSERT_TRUE(table_->BeginFetch(host_, kTaken));
  EXPECT_TRUE(table_->Fetching());
  EXPECT_FALSE(table_->BeginFetch(host_, kTaken));
  EXPECT_FALSE(table_->FetchTcpTable());
  SetEvent(release);
  MSG msg;
  ASSERT_TRUE(GetMessageW(&msg, host_, kTaken, kTaken));
  EXPECT_TRUE(table_->EndFetch());
  EXPECT_FALSE(table_->Fetching());
  EXPECT_EQ(table_->LocalPorts(), std::vector<uint16_t>{80});
  EXPECT_FALSE(table_->EndFetch()) << "nothing more to take in";
  CloseHandle(release);

  source_->rows.push_back(MakeRow(10, kAny, 81, kAny, 0, 2));
  source_->fail6 = true;
  source_->onFetch = nullptr;
  ASSERT_TRUE(table_->BeginFetch(host_, kTaken));
  ASSERT_TRUE(GetMessageW(&msg, host_, kTaken, kTaken));
  EXPECT_FALSE(table_->EndFetch());
  EXPECT_EQ(table_->LocalPorts(), std::vector<uint16_t>{80}) << "a failed snapshot keeps the last one whole";

  // The new rows come in the order asked for, put there on the snapshot's thread.
  source_->fail6 = false;
  ConnectionOrder byPort;
  byPort.SortBy(ConnectionModel(), kLocalPortColumn, false);
  ASSERT_TRUE(table_->BeginFetch(host_, kTaken, byPort));
  ASSERT_TRUE(GetMessageW(&msg, host_, kTaken, kTaken));
  ASSERT_TRUE(table_->EndFetch());
  const ConnectionModel model = table_->TakeModel();
  const ConnectionOrder order = table_->TakeOrder();
  ASSERT_EQ(order.Count(), 2);
  EXPECT_EQ(model.Row(order.Row(0)).id.localPort, 81);
}

TEST_F(FillTest, WritesOneItemPerShownRowWithIndicesWithoutGaps) {
  source_->rows = {
      MakeRow(0, kLoopback, 80, kLoopback, 5000),
      MakeRow(4, kAny, 445, kAny, 0, 2),
      MakeRow(900, kAny, 0, kAny, 0, 2),
      MakeRow(1234, kLoopback, 8080, kLoopback, 50123),
  };
  source_->paths = {{1234, L"C:\\Tools\\server.exe"}};
  ASSERT_TRUE(Refresh());
  ASSERT_EQ(lvInfo_.Count(), 2);
  EXPECT_EQ(Row(0), (std::vector<std::wstring>{L"4", L"", L"监听", L"0.0.0.0", L"445", L"0.0.0.0", L"0", L""}));
  EXPECT_EQ(Row(1), (std::vector<std::wstring>{L"1234", L"server.exe", L"已建立", L"localhost", L"8080", L"localhost",
                                               L"50123", L""}));
}

TEST_F(FillTest, WritesTheIPv6RowsAfterTheIPv4RowsWithTheSameSkipRules) {
  const Address6 any{0, 0, 0, 0, 0, 0, 0, 0};
  source_->rows = {MakeRow(20, kAny, 445, kAny, 0, 2)};
  source_->rows6 = {MakeRow6(10, any, 135, any, 0, 2), MakeRow6(0, any, 80, any, 0, 2),
                    MakeRow6(20, Address6{0xFE80, 0, 0, 0, 0, 0, 0, 1}, 50000, Address6{0xFE80, 0, 0, 0, 0, 0, 0, 2},
                             443, 11)};
  source_->rows6.back().localScopeId = 7;
  source_->rows6.back().remoteScopeId = 7;
  source_->paths = {{10, L"C:\\Windows\\svchost.exe"}, {20, L"C:\\Tools\\server.exe"}};
  ASSERT_TRUE(Refresh());
  ASSERT_EQ(lvInfo_.Count(), 3);
  EXPECT_EQ(Row(0)[4], L"445");
  EXPECT_EQ(Row(1), (std::vector<std::wstring>{L"10", L"svchost.exe", L"监听", L"::", L"135", L"::", L"0", L""}));
  EXPECT_EQ(Row(2), (std::vector<std::wstring>{L"20", L"server.exe", L"时间等待", L"fe80::1%7", L"50000",
                                               L"fe80::2%7", L"443", L""}));
  EXPECT_EQ(source_->lookups, 2);
}

TEST_F(FillTest, KeepsTheWholeLastSnapshotWhenTheIPv6FetchFails) {
  source_->rows = {MakeRow(10, kAny, 80, kAny, 0)};
  source_->rows6 = {MakeRow6(10, Address6{0, 0, 0, 0, 0, 0, 0, 1}, 8080, Address6{0, 0, 0, 0, 0, 0, 0, 0}, 0)};
  ASSERT_TRUE(Refresh());
  source_->rows.push_back(MakeRow(10, kAny, 443, kAny, 0));
  source_->fail6 = true;
  EXPECT_FALSE(table_->FetchTcpTable());
  ASSERT_TRUE(table_->FillConnectionList(lvInfo_));
  ASSERT_EQ(lvInfo_.Count(), 2);
  EXPECT_EQ(lvInfo_.SubItemText(1, 4), L"8080");
}

TEST_F(FillTest, TheSnapshotsLocalPortsIncludeThoseOfIPv6OnlySockets) {
  const Address6 any{0, 0, 0, 0, 0, 0, 0, 0};
  source_->rows = {MakeRow(10, kAny, 80, kAny, 0, 2), MakeRow(0, kAny, 81, kAny, 0, 2)};
  source_->rows6 = {MakeRow6(10, any, 47203, any, 0, 2), MakeRow6(0, any, 82, any, 0, 2)};
  ASSERT_TRUE(table_->FetchTcpTable());
  EXPECT_EQ(table_->LocalPorts(), (std::vector<uint16_t>{80, 47203}));
}

TEST_F(FillTest, LooksEachProcessUpOncePerFill) {
  for (uint16_t port = 1; port <= 6; ++port) source_->rows.push_back(MakeRow(port % 2 ? 10 : 20, kAny, port, kAny, 0));
  source_->paths = {{10, L"C:\\a.exe"}, {20, L"C:\\b.exe"}};
  ASSERT_TRUE(Refresh());
  EXPECT_EQ(lvInfo_.Count(), 6);
  EXPECT_EQ(source_->lookups, 2);
  ASSERT_TRUE(Refresh());
  EXPECT_EQ(source_->lookups, 4);
}

TEST_F(FillTest, RebuildsTheListAndKeepsTheLastSnapshotWhenAFetchFails) {
  source_->rows = {MakeRow(10, kAny, 80, kAny, 0), MakeRow(10, kAny, 443, kAny, 0)};
  ASSERT_TRUE(Refresh());
  lvInfo_.SubItemSet(0, 7, L"mail", 0);

  source_->rows.pop_back();
  source_->fail = true;
  EXPECT_FALSE(table_->FetchTcpTable());
  ASSERT_TRUE(table_->FillConnectionList(lvInfo_));
  ASSERT_EQ(lvInfo_.Count(), 2);
  EXPECT_EQ(lvInfo_.SubItemText(0, 7), L"");  // a fill replaces the rows, remarks and all
}

TEST_F(FillTest, ARefreshAskedForDuringAYieldDoesNotStartASecondWalk) {
  for (uint16_t port = 1; port <= 5; ++port) source_->rows.push_back(MakeRow(10, kAny, port, kAny, 0));
  ASSERT_TRUE(table_->FetchTcpTable());
  int nested = 0;
  duringYield_ = [&] {
    ++nested;
    EXPECT_TRUE(table_->Filling());
    EXPECT_TRUE(table_->FillConnectionList(lvInfo_));
  };
  PostMessageW(host_, kDuringYield, 0, 0);
  ASSERT_TRUE(table_->FillConnectionList(lvInfo_));
  EXPECT_EQ(nested, 1);
  EXPECT_FALSE(table_->Filling());
  EXPECT_EQ(lvInfo_.Count(), 5);
  EXPECT_EQ(lvInfo_.SubItemText(4, 4), L"5");
}

TEST_F(FillTest, StopsWhenTheListGoesAwayDuringAYield) {
  for (uint16_t port = 1; port <= 50; ++port) source_->rows.push_back(MakeRow(10, kAny, port, kAny, 0));
  ASSERT_TRUE(table_->FetchTcpTable());
  duringYield_ = [&] { DestroyWindow(lvInfo_.hWnd()); };
  PostMessageW(host_, kDuringYield, 0, 0);
  EXPECT_FALSE(table_->FillConnectionList(lvInfo_));
  EXPECT_FALSE(table_->Filling());
  EXPECT_FALSE(table_->FillConnectionList(lvInfo_));
}

TEST_F(FillTest, FillsPastTheSixteenBitItemLimit) {
  constexpr int kRows = 33000;
  for (int i = 0; i < kRows; ++i) {
    source_->rows.push_back(MakeRow(10, {10, 0, static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i)}, 80, kAny, 0));
  }
  ASSERT_TRUE(Refresh());
  ASSERT_EQ(lvInfo_.Count(), kRows);
  EXPECT_EQ(lvInfo_.SubItemText(kRows - 1, 3), L"10.0.128.231");
}

// 100 listeners on ports 1001..1100 of process 10, with 40 IPv6 ones among them.
std::vector<TcpRow> ManyRows(std::vector<Tcp6Row>& rows6) {
  std::vector<TcpRow> rows;
  for (uint16_t port = 1001; port <= 1060; ++port) rows.push_back(MakeRow(10, kAny, port, kAny, 0, 2));
  for (uint16_t port = 1061; port <= 1100; ++port) {
    rows6.push_back(MakeRow6(10, Address6{0, 0, 0, 0, 0, 0, 0, 1}, port, Address6{0, 0, 0, 0, 0, 0, 0, 0}, 0, 2));
  }
  return rows;
}

class KeptPlaceTest : public FillTest {
 protected:
  int Top() { return static_cast<int>(SendMessageW(lvInfo_.hListView(), LVM_GETTOPINDEX, 0, 0)); }

  // Fills the many rows, selects the row of selectedPort and scrolls the row
  // of topPort to the top, as a user would.
  void Place(uint16_t selectedPort, uint16_t topPort) {
    source_->rows = ManyRows(source_->rows6);
    ASSERT_TRUE(Refresh());
    lvInfo_.ItemSelected(selectedPort - 1001, true);
    RECT row{LVIR_BOUNDS, 0, 0, 0};
    SendMessageW(lvInfo_.hListView(), LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
    SendMessageW(lvInfo_.hListView(), LVM_SCROLL, 0, (topPort - 1001 - Top()) * (row.bottom - row.top));
    ASSERT_EQ(Top(), topPort - 1001);
  }

  std::wstring Port(int item) { return lvInfo_.SubItemText(item, 4); }
};

TEST_F(KeptPlaceTest, ARefreshKeepsTheSelectedConnectionAndTheTopRowWhereverTheyMove) {
  Place(1080, 1062);
  // Two new connections sort in front, one of the IPv4 rows goes away.
  source_->rows.erase(source_->rows.begin() + 10);
  source_->rows.insert(source_->rows.begin(), {MakeRow(11, kAny, 1, kAny, 0, 2), MakeRow(11, kAny, 2, kAny, 0, 2)});
  lvInfo_.SubItemSet(1080 - 1001, 7, L"mail", 0);
  ASSERT_TRUE(Refresh());

  EXPECT_EQ(lvInfo_.SelectedCount(), 1);
  const int selected = lvInfo_.SelectionItem();
  EXPECT_EQ(selected, 1080 - 1001 + 1);
  EXPECT_EQ(Port(selected), L"1080");
  EXPECT_EQ(lvInfo_.SubItemText(selected, 3), L"::1");
  EXPECT_TRUE(lvInfo_.ItemFocused(selected));
  EXPECT_EQ(lvInfo_.SubItemText(selected, 7), L"");  // remarks still go
  EXPECT_EQ(Port(Top()), L"1062");
}

TEST_F(KeptPlaceTest, AVanishedConnectionLeavesNothingSelectedAndTheTopRowNearItsPosition) {
  Place(1030, 1020);
  // The same ports, but owned by another process: other connections.
  for (TcpRow& row : source_->rows) row.pid = 12;
  ASSERT_TRUE(Refresh());
  EXPECT_EQ(lvInfo_.SelectedCount(), 0);
  EXPECT_EQ(Top(), 1020 - 1001);

  // A list shorter than the old top row scrolls as far as it goes.
  source_->rows.resize(3);
  source_->rows6.clear();
  ASSERT_TRUE(Refresh());
  EXPECT_EQ(lvInfo_.Count(), 3);
  EXPECT_EQ(Top(), 0);
}

}  // namespace
