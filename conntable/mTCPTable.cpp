#include "mTCPTable.h"

#include <windows.h>

#include <unordered_map>
#include <utility>

#include "MessageLoop.h"
#include "ucListView.h"

namespace {

// A yield asks the window server for messages, which under Wine costs about as
// much as writing a row: the walk yields after its first row and then once per
// slice, so that a message waits about a slice at most.
constexpr ULONGLONG kYieldSliceMs = 10;

class FillingFlag {
 public:
  explicit FillingFlag(bool& flag) : flag_(flag) { flag_ = true; }
  ~FillingFlag() { flag_ = false; }
  FillingFlag(const FillingFlag&) = delete;
  FillingFlag& operator=(const FillingFlag&) = delete;

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

}  // namespace

mTCPTable::mTCPTable(std::unique_ptr<TcpRowSource> source) : source_(std::move(source)) {}

bool mTCPTable::FetchTcpTable() {
  std::vector<unsigned char> table;
  if (!source_->Fetch(table)) return false;
  table_ = std::move(table);
  return true;
}

bool mTCPTable::FillConnectionList(ucListView& lvInfo) {
  if (filling_) return true;
  const HWND list = lvInfo.hListView();
  if (!IsWindow(list)) return false;
  const FillingFlag filling(filling_);
  // The walk reads its own copy: a snapshot fetched during a yield waits for
  // the next fill.
  const std::vector<TcpRow> rows = ShownRows(table_);
  std::unordered_map<uint32_t, std::wstring> names;  // one lookup per process and fill
  const RedrawOff redrawOff(list);
  lvInfo.Clear();
  ULONGLONG lastYield = 0;  // so that the first row yields
  for (size_t i = 0; i < rows.size(); ++i) {
    const TcpRow& row = rows[i];
    const auto [name, added] = names.try_emplace(row.pid);
    if (added) name->second = TextAfterLast(source_->ProcessPath(row.pid), L"\\");
    const ConnectionTexts texts = RowTexts(row, name->second);
    const int item = static_cast<int>(i);
    lvInfo.ItemAdd(item, texts[0], 0, 0);
    for (int column = 1; column < static_cast<int>(texts.size()); ++column) {
      lvInfo.SubItemSet(item, column, texts[column], 0);
    }
    if (GetTickCount64() - lastYield >= kYieldSliceMs) {
      DoEvents();
      lastYield = GetTickCount64();
    }
    if (!IsWindow(list)) return false;
  }
  return true;
}

std::vector<uint16_t> mTCPTable::LocalPorts() const {
  std::vector<uint16_t> ports;
  for (const TcpRow& row : ShownRows(table_)) ports.push_back(PortNumber(row.localPort));
  return ports;
}
