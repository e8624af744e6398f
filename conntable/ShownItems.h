#pragma once

#include <vector>

#include "ConnectionModel.h"
#include "ConnectionOrder.h"
#include "RowFilter.h"

// How a shown row stands against the snapshot before it.
enum class RowAge { Steady, New, Closed };

// The items of the connection list: the latest snapshot's rows in the chosen
// order, and the connections that closed since the snapshot before, each kept
// for this one refresh right after the row that came before it there, so at
// its old place; the filter narrows both.
class ShownItems {
 public:
  // Takes what changed from the older snapshot, shown in olderOrder, to the
  // newer one. Without marks (the first snapshot) nothing is new or closed.
  void Change(const ConnectionModel& older, const ConnectionOrder& olderOrder, const ConnectionModel& newer,
              bool marks);
  // Lays the items out for the newer snapshot in its order (again after a
  // sort or a new filter); the model must outlive the items.
  void Build(const ConnectionModel& model, const ConnectionOrder& order, const RowFilter& filter);

  int Count() const { return static_cast<int>(items_.size()); }
  const ConnectionRow& Row(int item) const;
  RowAge Age(int item) const;
  // The executable of the item's process; empty when unknown.
  const std::wstring& ProgramPath(int item) const;
  // The items that show rows of the model.
  int ModelItems() const { return Count() - closedShown_; }
  // The model row an item shows, -1 for a closed connection.
  int ModelRow(int item) const { return items_[item] >= 0 ? items_[item] : -1; }
  // The item of a connection, -1 when it is not shown.
  int Find(const ConnectionId& id) const;

 private:
  struct Closed {
    ConnectionRow row;
    std::wstring path;
    int after;  // the newer snapshot's row it follows, -1 for none
  };

  const ConnectionModel* model_ = nullptr;
  std::vector<Closed> closed_;  // in the older order
  std::vector<bool> added_;     // by row of the newer snapshot
  std::vector<int> items_;      // a model row, or ~i for closed_[i]
  std::vector<int> itemOfRow_;  // by model row, -1 when hidden
  std::vector<int> itemOfClosed_;  // by closed_ entry, -1 when hidden
  int closedShown_ = 0;
};
