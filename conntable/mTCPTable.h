#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "ConnectionModel.h"
#include "ConnectionOrder.h"
#include "ConnectionText.h"
#include "TcpRowSource.h"

class ucListView;

// The machine's TCP connections, IPv4 and IPv6: a snapshot taken from a row
// source and written into the connection list, one row per shown connection.
class mTCPTable {
 public:
  explicit mTCPTable(std::unique_ptr<TcpRowSource> source);
  // Waits for a snapshot still being taken.
  ~mTCPTable();
  mTCPTable(const mTCPTable&) = delete;
  mTCPTable& operator=(const mTCPTable&) = delete;

  // Starts a new snapshot of both tables, and the build of its model, on a
  // thread of its own and returns at
  // once; when the snapshot has been taken, message is posted to window, whose
  // handler calls EndFetch. Nobody waits for it on a stack frame that a modal
  // loop could hold. False when a snapshot is already being taken. The model's
  // rows are put in order there too, so that a sorted list costs the window
  // no sort of the new rows (TakeOrder).
  bool BeginFetch(HWND window, UINT message, ConnectionOrder order = {});

  // Takes in the snapshot BeginFetch started (waiting for it when it is not
  // taken yet): true when both tables were read whole, which then replace the
  // last snapshot with their model; false when the source failed on either, or when no
  // snapshot was started, and the last snapshot stays whole.
  bool EndFetch();

  // BeginFetch and EndFetch for a caller without a window to be told: takes a
  // new snapshot on a thread of its own while the calling thread handles its
  // messages. False when the source failed on either, or when a snapshot is
  // already being taken (asked for by a handler during its wait).
  bool FetchTcpTable();

  // True from BeginFetch to its EndFetch, and during FetchTcpTable.
  bool Fetching() const { return fetching_ || thread_.joinable(); }

  // Replaces the rows of a list in normal mode with the last snapshot's model
  // (nothing once it was taken), in table order, the IPv4 rows first, yielding
  // to the message loop after the first row and then every 10 ms, so that
  // timers and clicks are handled during a long fill. False when it stopped
  // early because the list's window went away (or never existed); the table
  // and the list objects themselves must outlive the call. A call made while a
  // fill runs (by a handler during its yield) changes nothing and returns
  // true: the running fill completes the list. The user keeps their place: the
  // selected connection stays selected and the first visible row stays the
  // same connection while they still exist.
  bool FillConnectionList(ucListView& lvInfo);

  // True while a fill runs, so that a refresh asked for during its yield can
  // be skipped.
  bool Filling() const { return filling_; }

  // The last snapshot's model, once: a second call gives an empty model until
  // the next snapshot.
  ConnectionModel TakeModel() { return std::exchange(model_, ConnectionModel()); }
  // The rows of that model in the order BeginFetch was given, once.
  ConnectionOrder TakeOrder() { return std::exchange(order_, ConnectionOrder()); }

  // The local port numbers of the last snapshot's shown connections, in table
  // order: what the list's port column holds after a fill, without reading
  // the list back.
  std::vector<uint16_t> LocalPorts() const;

 private:
  std::unique_ptr<TcpRowSource> source_;
  // The last snapshot that was fetched whole: the IPv4 and the IPv6 table.
  std::vector<unsigned char> table_;
  std::vector<unsigned char> table6_;
  ConnectionModel model_;
  ConnectionOrder order_;
  bool filling_ = false;
  bool fetching_ = false;
  // The snapshot being taken: written by its thread, read once it has ended.
  std::vector<unsigned char> taken_;
  std::vector<unsigned char> taken6_;
  ConnectionModel takenModel_;
  ConnectionOrder takenOrder_;
  bool takenWhole_ = false;
  std::thread thread_;
};
