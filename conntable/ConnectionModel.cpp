#include "ConnectionModel.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <utility>

namespace {

std::array<uint8_t, 16> V4Bytes(uint32_t address) {
  std::array<uint8_t, 16> bytes{};
  std::memcpy(bytes.data(), &address, 4);
  return bytes;
}

std::array<uint8_t, 16> V6Bytes(const uint8_t (&address)[16]) {
  std::array<uint8_t, 16> bytes{};
  std::memcpy(bytes.data(), address, 16);
  return bytes;
}

// Looks each process up once per snapshot, keeping its path.
class ProcessNames {
 public:
  ProcessNames(TcpRowSource& source, std::unordered_map<uint32_t, std::wstring>& paths)
      : source_(source), paths_(paths) {}
  const std::wstring& Of(uint32_t pid) {
    const auto [name, added] = names_.try_emplace(pid);
    if (added) {
      const std::wstring& path = paths_[pid] = source_.ProcessPath(pid);
      name->second = TextAfterLast(path, L"\\");
    }
    return name->second;
  }

 private:
  TcpRowSource& source_;
  std::unordered_map<uint32_t, std::wstring>& paths_;
  std::unordered_map<uint32_t, std::wstring> names_;
};

}  // namespace

ConnectionId IdOf(const TcpRow& row) {
  ConnectionId id;
  id.pid = row.pid;
  id.family = 4;
  id.localAddr = V4Bytes(row.localAddr);
  id.localPort = PortNumber(row.localPort);
  id.remoteAddr = V4Bytes(row.remoteAddr);
  id.remotePort = PortNumber(row.remotePort);
  return id;
}

ConnectionId IdOf(const Tcp6Row& row) {
  ConnectionId id;
  id.pid = row.pid;
  id.family = 6;
  id.localAddr = V6Bytes(row.localAddr);
  id.localScope = row.localScopeId;
  id.localPort = PortNumber(row.localPort);
  id.remoteAddr = V6Bytes(row.remoteAddr);
  id.remoteScope = row.remoteScopeId;
  id.remotePort = PortNumber(row.remotePort);
  return id;
}

ConnectionModel ConnectionModel::FromTables(const std::vector<unsigned char>& table,
                                            const std::vector<unsigned char>& table6, TcpRowSource& source) {
  const std::vector<TcpRow> rows = ShownRows(table);
  const std::vector<Tcp6Row> rows6 = Shown6Rows(table6);
  std::vector<ConnectionRow> shown;
  shown.reserve(rows.size() + rows6.size());
  std::unordered_map<uint32_t, std::wstring> paths;
  ProcessNames names(source, paths);
  for (const TcpRow& row : rows) shown.push_back({IdOf(row), RowTexts(row, names.Of(row.pid))});
  for (const Tcp6Row& row : rows6) shown.push_back({IdOf(row), RowTexts(row, names.Of(row.pid))});
  ConnectionModel model(std::move(shown));
  model.paths_ = std::move(paths);
  return model;
}

ConnectionModel::ConnectionModel(std::vector<ConnectionRow> rows) : rows_(std::move(rows)), byId_(rows_.size()) {
  std::iota(byId_.begin(), byId_.end(), 0);
  std::stable_sort(byId_.begin(), byId_.end(), [this](int a, int b) { return rows_[a].id < rows_[b].id; });
}

const std::wstring& ConnectionModel::ProgramPath(uint32_t pid) const {
  static const std::wstring none;
  const auto found = paths_.find(pid);
  return found == paths_.end() ? none : found->second;
}

int ConnectionModel::Find(const ConnectionId& id) const {
  const auto found = std::lower_bound(byId_.begin(), byId_.end(), id,
                                      [this](int row, const ConnectionId& wanted) { return rows_[row].id < wanted; });
  return found != byId_.end() && rows_[*found].id == id ? *found : -1;
}

void ConnectionModel::TakeRemarks(const ConnectionModel& older) {
  for (const ConnectionRow& old : older.rows_) {
    if (old.texts[kRemarkColumn].empty()) continue;
    const int row = Find(old.id);
    if (row >= 0) rows_[row].texts[kRemarkColumn] = old.texts[kRemarkColumn];
  }
}

std::vector<uint16_t> ConnectionModel::LocalPorts() const {
  std::vector<uint16_t> ports;
  ports.reserve(rows_.size());
  for (const ConnectionRow& row : rows_) ports.push_back(static_cast<uint16_t>(row.id.localPort));
  return ports;
}

ConnectionDiff Diff(const ConnectionModel& older, const ConnectionModel& newer) {
  ConnectionDiff diff{std::vector<int>(older.Count(), -1), std::vector<bool>(newer.Count(), true)};
  const std::vector<int>& olds = older.byId_;
  const std::vector<int>& news = newer.byId_;
  auto oldId = [&](size_t i) -> const ConnectionId& { return older.Row(olds[i]).id; };
  auto newId = [&](size_t j) -> const ConnectionId& { return newer.Row(news[j]).id; };
  size_t i = 0, j = 0;
  while (i < olds.size() && j < news.size()) {
    const auto order = oldId(i) <=> newId(j);
    if (order < 0) {
      ++i;
    } else if (order > 0) {
      ++j;
    } else {
      // A connection listed twice is its first row, as Find has it.
      const ConnectionId& id = newId(j);
      const int survivor = news[j];
      for (; j < news.size() && newId(j) == id; ++j) diff.added[news[j]] = false;
      for (; i < olds.size() && oldId(i) == id; ++i) diff.survivor[olds[i]] = survivor;
    }
  }
  return diff;
}
