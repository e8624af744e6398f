#include "ShownItems.h"

#include <algorithm>
#include <numeric>

void ShownItems::Change(const ConnectionModel& older, const ConnectionOrder& olderOrder, const ConnectionModel& newer,
                        bool marks) {
  closed_.clear();
  added_.assign(newer.Count(), false);
  if (!marks) return;
  ConnectionDiff diff = Diff(older, newer);
  added_ = std::move(diff.added);
  // One walk through the older order finds each gone connection the survivor
  // before it.
  int after = -1;
  for (int item = 0; item < olderOrder.Count(); ++item) {
    const int old = olderOrder.Row(item);
    const int survivor = diff.survivor[old];
    if (survivor >= 0) {
      after = survivor;
    } else {
      const ConnectionRow& row = older.Row(old);
      closed_.push_back({row, older.ProgramPath(row.id.pid), after});
    }
  }
}

void ShownItems::Build(const ConnectionModel& model, const ConnectionOrder& order, const RowFilter& filter) {
  model_ = &model;
  items_.clear();
  items_.reserve(order.Count() + closed_.size());
  itemOfRow_.assign(model.Count(), -1);
  itemOfClosed_.assign(closed_.size(), -1);
  closedShown_ = 0;
  added_.resize(model.Count(), false);

  // The closed connections by the place their survivor has now; those
  // without one come first. Equal places keep the older order.
  std::vector<int> closed(closed_.size());
  std::iota(closed.begin(), closed.end(), 0);
  auto placeOf = [&](int c) { return closed_[c].after < 0 ? -1 : order.Item(closed_[c].after); };
  std::stable_sort(closed.begin(), closed.end(), [&](int a, int b) { return placeOf(a) < placeOf(b); });
  size_t next = 0;
  auto addClosedAt = [&](int place) {
    for (; next < closed.size() && placeOf(closed[next]) == place; ++next) {
      const int c = closed[next];
      if (!filter.Matches(closed_[c].row.texts)) continue;
      itemOfClosed_[c] = Count();
      items_.push_back(~c);
      ++closedShown_;
    }
  };

  addClosedAt(-1);
  for (int item = 0; item < order.Count(); ++item) {
    const int row = order.Row(item);
    if (filter.Matches(model.Row(row).texts)) {
      itemOfRow_[row] = Count();
      items_.push_back(row);
    }
    addClosedAt(item);
  }
}

const ConnectionRow& ShownItems::Row(int item) const {
  const int entry = items_[item];
  return entry >= 0 ? model_->Row(entry) : closed_[~entry].row;
}

const std::wstring& ShownItems::ProgramPath(int item) const {
  const int entry = items_[item];
  return entry >= 0 ? model_->ProgramPath(model_->Row(entry).id.pid) : closed_[~entry].path;
}

RowAge ShownItems::Age(int item) const {
  const int entry = items_[item];
  if (entry < 0) return RowAge::Closed;
  return added_[entry] ? RowAge::New : RowAge::Steady;
}

int ShownItems::Find(const ConnectionId& id) const {
  if (!model_) return -1;
  const int row = model_->Find(id);
  if (row >= 0) return itemOfRow_[row];
  for (size_t c = 0; c < closed_.size(); ++c) {
    if (closed_[c].row.id == id) return itemOfClosed_[c];
  }
  return -1;
}
