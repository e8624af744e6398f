#include "ConnectionModel.h"

#include <cstring>
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

size_t ConnectionIdHash::operator()(const ConnectionId& id) const {
  // FNV-1a over the fields; the struct has no padding, but its bytes are
  // hashed field by field so that this never depends on it.
  uint64_t hash = 14695981039346656037ull;
  auto mix = [&hash](const void* data, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
  };
  mix(&id.pid, 4);
  mix(&id.family, 4);
  mix(id.localAddr.data(), 16);
  mix(&id.localScope, 4);
  mix(&id.localPort, 4);
  mix(id.remoteAddr.data(), 16);
  mix(&id.remoteScope, 4);
  mix(&id.remotePort, 4);
  return static_cast<size_t>(hash);
}

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

ConnectionModel::ConnectionModel(std::vector<ConnectionRow> rows) : rows_(std::move(rows)) {
  rowOf_.reserve(rows_.size());
  for (int row = 0; row < Count(); ++row) rowOf_.try_emplace(rows_[row].id, row);
}

const std::wstring& ConnectionModel::ProgramPath(uint32_t pid) const {
  static const std::wstring none;
  const auto found = paths_.find(pid);
  return found == paths_.end() ? none : found->second;
}

int ConnectionModel::Find(const ConnectionId& id) const {
  const auto found = rowOf_.find(id);
  return found == rowOf_.end() ? -1 : found->second;
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
  ConnectionDiff diff;
  for (int row = 0; row < newer.Count(); ++row) {
    if (older.Find(newer.Row(row).id) < 0) diff.added.push_back(row);
  }
  for (int row = 0; row < older.Count(); ++row) {
    if (newer.Find(older.Row(row).id) < 0) diff.closed.push_back(row);
  }
  return diff;
}
