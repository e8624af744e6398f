#pragma once

#include <vector>

#include "ConnectionModel.h"

// The order in which the list shows a model's rows: by the column the user
// sorted by last, the columns sorted by before it breaking its ties (latest
// first), and the table order breaking the rest. So a sort keeps the order of
// rows with equal keys, and each new snapshot is put in the same order:
// process ids and ports as numbers, addresses as addresses (every IPv4 one
// before every IPv6 one), the other columns as text by the user's locale,
// ignoring case.
class ConnectionOrder {
 public:
  // From now on the rows sort by column first: the model's rows, in the order
  // the last Apply gave them, move by that column alone.
  void SortBy(const ConnectionModel& model, int column, bool ascending);
  // Puts the rows of a model (a new snapshot) in the order.
  void Apply(const ConnectionModel& model);

  // The same keys as other's: an order applied with them holds for other too.
  bool SameKeys(const ConnectionOrder& other) const { return keys_ == other.keys_; }
  bool SortsBy(int column) const;

  int Count() const { return static_cast<int>(rows_.size()); }
  int Row(int item) const { return rows_[item]; }    // the model row shown as item
  int Item(int row) const { return items_[row]; }    // the item that shows the model row

 private:
  struct Key {
    int column;
    bool ascending;

    bool operator==(const Key&) const = default;
  };
  std::vector<Key> keys_;  // the latest first, each column once
  std::vector<int> rows_;
  std::vector<int> items_;
};

// Each row's place among the distinct values of one column, by the column's
// comparison rules: rows with equal values get the same rank.
std::vector<unsigned> ColumnRanks(const ConnectionModel& model, int column);
