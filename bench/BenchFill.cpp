// Fills a normal-mode list with N synthetic connections of 50 processes, a
// quarter of them IPv6, and inserts the same texts into a bare list view with
// the plain messages, and prints both times, their ratio and the process
// lookups of the fill; beside them, the window's own way: the snapshot's
// model shown in an owner-data list.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "BenchClock.h"
#include "BenchHost.h"
#include "ConnectionView.h"
#include "SyntheticSource.h"
#include "MessageLoop.h"
#include "mTCPTable.h"
#include "ucListView.h"

namespace {

using bench::CreateHost;
using bench::CreateList;
using bench::kHeaders;
using bench::kHeight;
using bench::kWidth;
using bench::kWidths;

using bench::SyntheticSource;

constexpr int kRounds = 5;
constexpr int kSizes[] = {1000, 10000, 30000};
// The milliseconds of one FillConnectionList of a fetched snapshot, painted.
double TimeFill(HWND host, int rows, int& lookups) {
  ucListView lvInfo;
  CreateList(lvInfo, host);
  auto source = std::make_unique<SyntheticSource>(rows);
  SyntheticSource& counted = *source;
  mTCPTable table(std::move(source));
  table.FetchTcpTable();
  DoEvents();
  const double start = Now();
  table.FillConnectionList(lvInfo);
  UpdateWindow(lvInfo.hListView());
  const double elapsed = Now() - start;
  lookups = counted.lookups;
  if (lvInfo.Count() != rows) std::printf("fill gave %d rows instead of %d\n", lvInfo.Count(), rows);
  return elapsed;
}

// The milliseconds of the first ConnectionView::Show of a fetched snapshot in
// an owner-data list, painted.
double TimeShow(HWND host, int rows) {
  ucListView lvInfo;
  ConnectionView view(lvInfo);
  CreateList(lvInfo, host);
  mTCPTable table(std::make_unique<SyntheticSource>(rows));
  table.FetchTcpTable();
  DoEvents();
  const double start = Now();
  view.Show(table.TakeModel());
  UpdateWindow(lvInfo.hListView());
  const double elapsed = Now() - start;
  if (lvInfo.Count() != rows) std::printf("the show gave %d rows instead of %d\n", lvInfo.Count(), rows);
  return elapsed;
}

// The milliseconds to insert the given texts into a bare list view with
// LVM_INSERTITEMW and LVM_SETITEMTEXTW, redraw off meanwhile, painted.
double TimePlain(HWND host, const std::vector<ConnectionTexts>& texts) {
  HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, kWidth, kHeight, host,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
  for (int c = 0; c < 8; ++c) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<wchar_t*>(kHeaders[c]);
    column.cx = kWidths[c];
    SendMessageW(list, LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&column));
  }
  DoEvents();
  const double start = Now();
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  for (int i = 0; i < static_cast<int>(texts.size()); ++i) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = i;
    item.pszText = const_cast<wchar_t*>(texts[i][0].c_str());
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    for (int c = 1; c < 8; ++c) {
      item.iSubItem = c;
      item.pszText = const_cast<wchar_t*>(texts[i][c].c_str());
      SendMessageW(list, LVM_SETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
    }
  }
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
  UpdateWindow(list);
  const double elapsed = Now() - start;
  DestroyWindow(list);
  return elapsed;
}

std::vector<ConnectionTexts> ShownTexts(int rows) {
  SyntheticSource source(rows);
  std::vector<unsigned char> table, table6;
  source.Fetch(table);
  source.Fetch6(table6);
  std::vector<ConnectionTexts> texts;
  for (const TcpRow& row : ShownRows(table)) {
    texts.push_back(RowTexts(row, TextAfterLast(source.ProcessPath(row.pid), L"\\")));
  }
  for (const Tcp6Row& row : Shown6Rows(table6)) {
    texts.push_back(RowTexts(row, TextAfterLast(source.ProcessPath(row.pid), L"\\")));
  }
  return texts;
}

}  // namespace

int main() {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  HWND host = CreateHost();
  std::printf("%8s %12s %12s %7s %12s %8s %12s\n", "rows", "fill ms", "plain ms", "ratio", "fill us/row", "lookups",
              "owner-data");
  for (const int rows : kSizes) {
    const std::vector<ConnectionTexts> texts = ShownTexts(rows);
    double fill = 1e300, plain = 1e300, shown = 1e300;
    int lookups = 0;
    // Best of a few rounds, alternating, so that neither side gets a warmer cache.
    for (int round = 0; round < kRounds; ++round) {
      fill = std::min(fill, TimeFill(host, rows, lookups));
      plain = std::min(plain, TimePlain(host, texts));
      shown = std::min(shown, TimeShow(host, rows));
    }
    std::printf("%8d %12.1f %12.1f %7.2f %12.1f %8d %12.1f\n", rows, fill, plain, fill / plain, fill * 1000.0 / rows,
                lookups, shown);
    std::fflush(stdout);
  }
  DestroyWindow(host);
  return 0;
}
