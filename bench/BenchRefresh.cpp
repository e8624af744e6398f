// The connection list as an owner-data list over the snapshot's model, with N
// synthetic connections of 50 processes (a quarter IPv6): the model's build
// (on the snapshot's thread, off the window's), a refresh on the window's
// thread (model swap, count, kept place, sort, first paint) unsorted and
// sorted, and a header sort by a number, an address and a text column; then
// the resident memory with the largest list shown.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchClock.h"
#include "BenchHost.h"
#include "ConnectionView.h"
#include "RowColours.h"
#include "MessageLoop.h"
#include "SyntheticSource.h"
#include "ucListView.h"

namespace {

using bench::CreateHost;
using bench::CreateList;

constexpr int kRounds = 5;
constexpr int kLargest = 30000;
constexpr int kSizes[] = {1000, 10000, kLargest};

ConnectionModel Snapshot(int rows) {
  bench::SyntheticSource source(rows);
  std::vector<unsigned char> table, table6;
  source.Fetch(table);
  source.Fetch6(table6);
  return ConnectionModel::FromTables(table, table6, source);
}

// Snapshot number step of a churning machine: every hundredth connection,
// another one each step, has moved to a new remote port, so that each
// snapshot against the one before has 2% of its rows new and as many closed.
ConnectionModel Churned(const ConnectionModel& model, int step) {
  std::vector<ConnectionRow> rows;
  rows.reserve(model.Count());
  for (int row = 0; row < model.Count(); ++row) {
    ConnectionRow copy = model.Row(row);
    if (row % 100 == step % 100) {
      copy.id.remotePort = 8000 + step % 1000;
      copy.texts[kRemotePortColumn] = std::to_wstring(copy.id.remotePort);
    }
    rows.push_back(copy);
  }
  return ConnectionModel(std::move(rows));
}

struct Times {
  double build = 1e300, order = 1e300, paint = 1e300, unpainted = 1e300, refresh = 1e300, sortedRefresh = 1e300, sortNumber = 1e300, sortAddress = 1e300,
         sortText = 1e300;
};

void Best(double& best, double value) { best = std::min(best, value); }

// The new and closed rows' colours, as the main window paints them.
class AgeColours : public ucListViewEvents {
 public:
  const ConnectionView* view = nullptr;
  void OnSubItemPrePaint(int Item, int, COLORREF& back, COLORREF& fore, bool& process) override {
    if (!view || Item >= view->Count()) return;
    const RowPaint paint = PaintFor(view->Age(Item), false);
    back = paint.back;
    fore = paint.fore;
    process = paint.custom;
  }
};

// One round on a fresh list: the first snapshot, a place in its middle, then
// the timed steps, each painted. Dressed, the list shows the programs' icons
// and the rows' colours, and a filter that most rows pass.
void Round(HWND host, const ConnectionModel& first, Times& times, bool dressed) {
  AgeColours colours;
  ucListView lvInfo(&colours);
  ConnectionView view(lvInfo);
  CreateList(lvInfo, host);
  lvInfo.FullRowSelect(true);
  if (dressed) {
    colours.view = &view;
    lvInfo.RaiseSubItemPrePaint(true);
    view.ShowProgramIcons();
    view.Filter(L"1");
  }
  view.Show(ConnectionModel(first));
  lvInfo.ItemSelected(first.Count() / 2 + 3, true);
  lvInfo.TopItem(first.Count() / 2);
  UpdateWindow(lvInfo.hListView());
  DoEvents();

  auto timed = [&](double& best, auto step) {
    const double start = Now();
    step();
    UpdateWindow(lvInfo.hListView());
    Best(best, Now() - start);
    DoEvents();
  };
  timed(times.paint, [&] { InvalidateRect(lvInfo.hListView(), nullptr, TRUE); });
  int step = 0;
  ConnectionModel next = Churned(first, ++step);
  {
    const double start = Now();
    view.Show(std::move(next));
    Best(times.unpainted, Now() - start);
    UpdateWindow(lvInfo.hListView());
    DoEvents();
  }
  next = Churned(first, ++step);
  timed(times.refresh, [&] { view.Show(std::move(next)); });
  timed(times.sortNumber, [&] { view.SortBy(kLocalPortColumn, false); });
  timed(times.sortAddress, [&] { view.SortBy(kRemoteAddressColumn, true); });
  timed(times.sortText, [&] { view.SortBy(kProcessColumn, true); });
  // The program puts a new snapshot in the list's order on the snapshot's
  // thread, beside the model's build.
  next = Churned(first, ++step);
  ConnectionOrder ordered = view.Order();
  const double start = Now();
  ordered.Apply(next);
  Best(times.order, Now() - start);
  timed(times.sortedRefresh, [&] { view.Show(std::move(next), std::move(ordered)); });
  if (!dressed && view.ShownRows() != first.Count()) {
    std::printf("the list holds %d rows, not %d\n", view.ShownRows(), first.Count());
  }
  DestroyWindow(lvInfo.hWnd());
}

double ResidentMb() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
  return static_cast<double>(counters.WorkingSetSize) / (1024.0 * 1024.0);
}

}  // namespace

int main() {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  HWND host = CreateHost();
  // What the program holds with the largest list on screen, before the
  // rounds leave their heap behind.
  const double before = ResidentMb();
  {
    ucListView lvInfo;
    ConnectionView view(lvInfo);
    CreateList(lvInfo, host);
    view.Show(Snapshot(kLargest));
    view.SortBy(kLocalPortColumn, true);
    UpdateWindow(lvInfo.hListView());
    std::printf("resident with %d rows shown: %.1f MB (%.1f MB before the list)\n", lvInfo.Count(), ResidentMb(),
                before);
    DestroyWindow(lvInfo.hWnd());
  }
  std::printf("%8s %9s %9s %10s %10s %10s %10s %10s %10s %10s\n", "rows", "build ms", "order", "paint", "unpainted",
              "refresh", "sorted", "sort port", "sort addr", "sort text");
  for (const bool dressed : {false, true}) {
    if (dressed) std::printf("with program icons, new and closed rows' colours and a filter (\"1\"):\n");
    for (const int rows : kSizes) {
      Times times;
      ConnectionModel first;
      for (int round = 0; round < kRounds; ++round) {
        const double start = Now();
        first = Snapshot(rows);
        Best(times.build, Now() - start);
        Round(host, first, times, dressed);
      }
      std::printf("%8d %9.1f %9.1f %10.2f %10.2f %10.2f %10.2f %10.2f %10.2f %10.2f\n", rows, times.build,
                  times.order, times.paint, times.unpainted, times.refresh, times.sortedRefresh, times.sortNumber, times.sortAddress,
                  times.sortText);
      std::fflush(stdout);
    }
  }
  DestroyWindow(host);
  return 0;
}
