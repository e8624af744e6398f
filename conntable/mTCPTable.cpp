#include "mTCPTable.h"

#include <windows.h>

#include <utility>

#include "ListPlace.h"
#include "MessageLoop.h"
#include "ucListView.h"

namespace {

// A yield asks the window server for messages, which under Wine costs about as
// much as writing a row: the walk yields after its first row and then once per
// slice, so that a message waits about a slice at most.
constexpr ULONGLONG kYieldSliceMs = 10;

// Set while a fetch or a fill runs.
class BusyFlag {
 public:
  explicit BusyFlag(bool& flag) : flag_(flag) { flag_ = true; }
  ~BusyFlag() { flag_ = false; }
  BusyFlag(const BusyFlag&) = delete;
  BusyFlag& operator=(const BusyFlag&) = delete;

 private:
  bool& flag_;
};

// Painting every row as it arrives costs more than building the rows.
class RedrawOff {
 public:
  explicit RedrawOff(HWND list) : list_(list) { SendMessageW(list_, WM_SETREDRAW, FALSE, 0); }
  ~RedrawOff() {
    if (!IsWindow(list_)) return;
    SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
  }
  RedrawOff(const RedrawOff&) = delete;
  RedrawOff& operator=(const RedrawOff&) = delete;

 private:
  HWND list_;
};

// Writes rows into the list one after the other.
class Walk {
 public:
  Walk(ucListView& lvInfo, ListPlace& place) : lvInfo_(lvInfo), list_(lvInfo.hListView()), place_(place) {}

  // False when the list's window went away during a yield.
  bool Add(const ConnectionModel& model) {
    for (int row = 0; row < model.Count(); ++row) {
      const ConnectionTexts& texts = model.Row(row).texts;
      lvInfo_.ItemAdd(row, texts[0], 0, 0);
      // A new item's sub-items are empty already: the remark column always,
      // the remote columns of every listener.
      for (int column = 1; column < static_cast<int>(texts.size()); ++column) {
        if (!texts[column].empty()) lvInfo_.SubItemSet(row, column, texts[column], 0);
      }
      place_.Seen(row, texts);
      if (GetTickCount64() - lastYield_ >= kYieldSliceMs) {
        DoEvents();
        lastYield_ = GetTickCount64();
      }
      if (!IsWindow(list_)) return false;
    }
    return true;
  }

 private:
  ucListView& lvInfo_;
  HWND list_;
  ListPlace& place_;
  ULONGLONG lastYield_ = 0;  // so that the first row yields
};

}  // namespace

mTCPTable::mTCPTable(std::unique_ptr<TcpRowSource> source) : source_(std::move(source)) {}

mTCPTable::~mTCPTable() {
  if (thread_.joinable()) thread_.join();
}

// Under Wine a snapshot reads /proc and can take seconds on a busy machine:
// it never runs on the window's thread.
bool mTCPTable::BeginFetch(HWND window, UINT message, ConnectionOrder order) {
  if (Fetching()) return false;
  takenWhole_ = false;
  thread_ = std::thread([this, window, message, order = std::move(order)]() mutable {
    takenWhole_ = source_->Fetch(taken_) && source_->Fetch6(taken6_);
    if (takenWhole_) {
      takenModel_ = ConnectionModel::FromTables(taken_, taken6_, *source_);
      order.Apply(takenModel_);
      takenOrder_ = std::move(order);
    }
    PostMessageW(window, message, 0, 0);
  });
  return true;
}

bool mTCPTable::EndFetch() {
  if (!thread_.joinable()) return false;
  thread_.join();
  if (!takenWhole_) return false;
  table_ = std::move(taken_);
  table6_ = std::move(taken6_);
  model_ = std::exchange(takenModel_, ConnectionModel());
  order_ = std::exchange(takenOrder_, ConnectionOrder());
  return true;
}

bool mTCPTable::FetchTcpTable() {
  if (Fetching()) return false;
  std::vector<unsigned char> table, table6;
  ConnectionModel model;
  bool fetched = false;
  {
    const BusyFlag fetching(fetching_);
    RunHandlingMessages([&] {
      fetched = source_->Fetch(table) && source_->Fetch6(table6);
      if (fetched) model = ConnectionModel::FromTables(table, table6, *source_);
    });
  }
  if (!fetched) return false;
  table_ = std::move(table);
  table6_ = std::move(table6);
  model_ = std::move(model);
  return true;
}

bool mTCPTable::FillConnectionList(ucListView& lvInfo) {
  if (filling_) return true;
  const HWND list = lvInfo.hListView();
  if (!IsWindow(list)) return false;
  const BusyFlag filling(filling_);
  // The walk reads its own copy: a snapshot fetched during a yield waits for
  // the next fill.
  const ConnectionModel model = model_;
  ListPlace place(lvInfo);
  {
    const RedrawOff redrawOff(list);
    lvInfo.Clear();
    Walk walk(lvInfo, place);
    if (!walk.Add(model)) return false;
  }
  // The list scrolls only once it draws again.
  place.Restore(lvInfo);
  return true;
}

std::vector<uint16_t> mTCPTable::LocalPorts() const {
  std::vector<uint16_t> ports;
  for (const TcpRow& row : ShownRows(table_)) ports.push_back(PortNumber(row.localPort));
  for (const Tcp6Row& row : Shown6Rows(table6_)) ports.push_back(PortNumber(row.localPort));
  return ports;
}
