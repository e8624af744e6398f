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
    if (fail) return false;
    table = TableBytes(rows);
    return true;
  }
  std::wstring ProcessPath(unsigned long pid) override {
    ++lookups;
    const auto found = paths.find(pid);
    return found == paths.end() ? std::wstring() : found->second;
  }

  std::vector<TcpRow> rows;
  std::map<unsigned long, std::wstring> paths;
  bool fail = false;
  int lookups = 0;
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
  EXPECT_EQ(Row(0), (std::vector<std::wstring>{L"4", L"", L"", L"0.0.0.0", L"445", L"0.0.0.0", L"0", L""}));
  EXPECT_EQ(Row(1),
            (std::vector<std::wstring>{L"1234", L"server.exe", L"", L"localhost", L"8080", L"localhost", L"50123", L""}));
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

}  // namespace
