#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "ConnectionModel.h"
#include "ConnectionText.h"
#include "TcpRowSource.h"

class ucListView;

// The machine's TCP connections, IPv4 and IPv6: a snapshot taken from a row
// source and written into the connection list, one row per shown connection.
class mTCPTable {
 public:
  explicit mTCPTable(std::unique_ptr<TcpRowSource> source);

  // Takes a new snapshot of both tables, and builds its model, on a thread of
  // its own while the calling thread handles its messages. False when the source failed on
  // either, or when a fetch already runs (asked for by a handler during its
  // wait); the last snapshot then stays whole.
  bool FetchTcpTable();

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
  // the next fetch.
  ConnectionModel TakeModel() { return std::exchange(model_, ConnectionModel()); }

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
  bool filling_ = false;
  bool fetching_ = false;
};
