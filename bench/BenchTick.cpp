// Times a monitoring tick's check of 50 watch entries against a connection
// list of N synthetic rows: the ports of the snapshot's model that the list
// shows, matched in one pass, next to reading every row's port text back
// from the (owner-data) list for every entry.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "BenchClock.h"
#include "ConnectionView.h"
#include "MessageLoop.h"
#include "WatchCheck.h"
#include "mTCPTable.h"
#include "ucListView.h"

namespace {

constexpr int kWatches = 50;
constexpr int kRounds = 5;
constexpr int kSizes[] = {1000, 10000, 30000};
constexpr int kPortColumn = 4;

uint16_t LocalPort(int row) {
  return static_cast<uint16_t>(1024 + row % 60000);
}

class SyntheticSource : public TcpRowSource {
 public:
  explicit SyntheticSource(int rows) : rows_(rows) {}

  bool Fetch(std::vector<unsigned char>& table) override {
    std::vector<TcpRow> rows;
    for (int i = 0; i < rows_; ++i) {
      rows.push_back({5, AddressField(10, static_cast<uint8_t>(i >> 16), static_cast<uint8_t>(i >> 8),
                                      static_cast<uint8_t>(i)),
                      PortField(LocalPort(i)), AddressField(93, 184, 216, 34), PortField(443),
                      static_cast<uint32_t>(1000 + 4 * (i % 50))});
    }
    std::sort(rows.begin(), rows.end(), SystemOrder);
    table = TableBytes(rows);
    return true;
  }
  std::wstring ProcessPath(unsigned long pid) override { return L"C:\\app" + std::to_wstring(pid) + L".exe"; }

 private:
  int rows_;
};

// Half of the entries watch ports in the list, half watch ports gone from it.
std::vector<std::wstring> WatchKeys(int rows) {
  std::vector<std::wstring> keys;
  for (int j = 0; j < kWatches; ++j) {
    const int port = j % 2 == 0 ? LocalPort(j * rows / kWatches) : 65000 + j;
    keys.push_back(std::to_wstring(port) + L"备注 watch" + std::to_wstring(j));
  }
  return keys;
}

// The check as the tick runs it.
int CheckBySnapshot(const ConnectionView& view, const std::vector<std::wstring>& keys) {
  const std::vector<bool> present = WatchedPortsPresent(keys, view.Model().LocalPorts());
  return static_cast<int>(std::count(present.begin(), present.end(), false));
}

// Every entry reads every row's port text back from the list.
int CheckByReadBack(ucListView& list, const std::vector<std::wstring>& keys) {
  int gone = 0;
  for (const std::wstring& key : keys) {
    const std::wstring port = key.substr(0, key.find(L'备'));
    bool found = false;
    for (int row = 0; row < list.Count(); ++row) {
      if (list.SubItemText(row, kPortColumn) == port) found = true;
    }
    gone += !found;
  }
  return gone;
}

}  // namespace

int main() {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"LumoraBenchTick";
  RegisterClassW(&wc);
  HWND host = CreateWindowExW(0, wc.lpszClassName, L"bench", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, nullptr,
                              nullptr, wc.hInstance, nullptr);
  std::printf("%8s %8s %14s %14s %6s\n", "rows", "watches", "snapshot ms", "read-back ms", "gone");
  for (const int rows : kSizes) {
    ucListView lvInfo;
    ConnectionView view(lvInfo);
    lvInfo.Create(host, 0, 0, 780, 560, 1);
    lvInfo.Initialize();
    lvInfo.ViewMode(1);
    for (int c = 0; c < 8; ++c) lvInfo.ColumnAdd(c, L"column", 70);
    mTCPTable table(std::make_unique<SyntheticSource>(rows));
    table.FetchTcpTable();
    view.Show(table.TakeModel());
    DoEvents();
    const std::vector<std::wstring> keys = WatchKeys(rows);

    double snapshot = 1e300;
    int gone = 0;
    for (int round = 0; round < kRounds; ++round) {
      const double start = Now();
      gone = CheckBySnapshot(view, keys);
      snapshot = std::min(snapshot, Now() - start);
    }
    const double start = Now();
    const int goneByReadBack = CheckByReadBack(lvInfo, keys);
    const double readBack = Now() - start;
    if (goneByReadBack != gone) std::printf("the two checks disagree: %d and %d\n", gone, goneByReadBack);
    std::printf("%8d %8d %14.2f %14.1f %6d\n", rows, kWatches, snapshot, readBack, gone);
    std::fflush(stdout);
  }
  DestroyWindow(host);
  return 0;
}
