#include "ConnectionOrder.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <string_view>
#include <tuple>
#include <unordered_map>

namespace {

// An address as the list shows it: an IPv4-mapped IPv6 address reads as its
// IPv4 address, and so sorts among them; "localhost" is 127.0.0.1. The bytes
// are held as two big-endian numbers, so that a sort compares words.
struct AddressKey {
  uint32_t family;
  uint64_t high;
  uint64_t low;
  uint32_t scope;

  auto operator<=>(const AddressKey&) const = default;
};

uint64_t BigEndian(const uint8_t* bytes) {
  uint64_t value = 0;
  for (int i = 0; i < 8; ++i) value = value << 8 | bytes[i];
  return value;
}

AddressKey ShownAddress(uint32_t family, const std::array<uint8_t, 16>& bytes, uint32_t scope) {
  constexpr uint8_t kMapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
  if (family == 6 && std::memcmp(bytes.data(), kMapped, sizeof(kMapped)) == 0) {
    std::array<uint8_t, 16> v4{};
    std::memcpy(v4.data(), bytes.data() + 12, 4);
    return {4, BigEndian(v4.data()), 0, 0};
  }
  return {family, BigEndian(bytes.data()), BigEndian(bytes.data() + 8), scope};
}

AddressKey AddressOf(const ConnectionId& id, int column) {
  return column == kLocalAddressColumn ? ShownAddress(id.family, id.localAddr, id.localScope)
                                       : ShownAddress(id.family, id.remoteAddr, id.remoteScope);
}

int CompareText(std::wstring_view a, std::wstring_view b) {
  const int result = CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                                    b.data(), static_cast<int>(b.size()));
  if (result != 0) return result - CSTR_EQUAL;
  return a < b ? -1 : b < a ? 1 : 0;
}

// Ranks from the rows sorted by a key: equal neighbours share a rank.
template <typename Less>
std::vector<unsigned> RanksBy(int count, Less less) {
  std::vector<int> rows(count);
  std::iota(rows.begin(), rows.end(), 0);
  std::sort(rows.begin(), rows.end(), less);
  std::vector<unsigned> ranks(count);
  unsigned rank = 0;
  for (int i = 0; i < count; ++i) {
    if (i > 0 && less(rows[i - 1], rows[i])) ++rank;
    ranks[rows[i]] = rank;
  }
  return ranks;
}

// The locale's comparison is dear under Wine, and a column holds few distinct
// texts (processes, states, remarks): those are compared, not the rows.
std::vector<unsigned> TextRanks(const ConnectionModel& model, int column) {
  std::unordered_map<std::wstring_view, int> distinct;
  std::vector<std::wstring_view> texts;
  std::vector<int> textOf(model.Count());
  for (int row = 0; row < model.Count(); ++row) {
    const std::wstring& text = model.Row(row).texts[column];
    const auto [found, added] = distinct.try_emplace(text, static_cast<int>(texts.size()));
    if (added) texts.push_back(text);
    textOf[row] = found->second;
  }
  const std::vector<unsigned> textRanks = RanksBy(static_cast<int>(texts.size()), [&](int a, int b) {
    return CompareText(texts[a], texts[b]) < 0;
  });
  std::vector<unsigned> ranks(model.Count());
  for (int row = 0; row < model.Count(); ++row) ranks[row] = textRanks[textOf[row]];
  return ranks;
}

}  // namespace

std::vector<unsigned> ColumnRanks(const ConnectionModel& model, int column) {
  std::vector<unsigned> ranks(model.Count());
  switch (column) {
    case kPidColumn:
      for (int row = 0; row < model.Count(); ++row) ranks[row] = model.Row(row).id.pid;
      return ranks;
    case kLocalPortColumn:
      for (int row = 0; row < model.Count(); ++row) ranks[row] = model.Row(row).id.localPort;
      return ranks;
    case kRemotePortColumn:
      for (int row = 0; row < model.Count(); ++row) ranks[row] = model.Row(row).id.remotePort;
      return ranks;
    case kLocalAddressColumn:
    case kRemoteAddressColumn: {
      std::vector<AddressKey> keys(model.Count());
      for (int row = 0; row < model.Count(); ++row) keys[row] = AddressOf(model.Row(row).id, column);
      return RanksBy(model.Count(), [&](int a, int b) { return keys[a] < keys[b]; });
    }
    default:
      return TextRanks(model, column);
  }
}

bool ConnectionOrder::SortsBy(int column) const {
  return std::any_of(keys_.begin(), keys_.end(), [column](const Key& key) { return key.column == column; });
}

void ConnectionOrder::SortBy(const ConnectionModel& model, int column, bool ascending) {
  if (column < 0 || column >= static_cast<int>(std::tuple_size_v<ConnectionTexts>)) return;
  // An earlier sort by the same column can break no tie of this one.
  std::erase_if(keys_, [column](const Key& key) { return key.column == column; });
  keys_.insert(keys_.begin(), {column, ascending});
  if (Count() != model.Count()) return Apply(model);
  // The rows stand in the order of the earlier keys already: a stable sort by
  // the new one gives the order of all of them.
  const std::vector<unsigned> ranks = ColumnRanks(model, column);
  std::stable_sort(rows_.begin(), rows_.end(), [&](int a, int b) {
    return ascending ? ranks[a] < ranks[b] : ranks[a] > ranks[b];
  });
  for (int item = 0; item < Count(); ++item) items_[rows_[item]] = item;
}

void ConnectionOrder::Apply(const ConnectionModel& model) {
  const int count = model.Count();
  // Every key's rank folded into one number per row, the latest key highest,
  // so that the sort compares one number instead of key after key; when the
  // next key would not fit, the number is first replaced by its own rank.
  std::vector<uint64_t> place(count, 0);
  uint64_t span = 1;  // place < span
  for (const Key& key : keys_) {
    const std::vector<unsigned> ranks = ColumnRanks(model, key.column);
    const uint64_t width = count == 0 ? 1 : uint64_t{*std::max_element(ranks.begin(), ranks.end())} + 1;
    if (span > UINT64_MAX / width) {
      const std::vector<unsigned> dense = RanksBy(count, [&](int a, int b) { return place[a] < place[b]; });
      std::copy(dense.begin(), dense.end(), place.begin());
      span = static_cast<uint64_t>(count);
    }
    for (int row = 0; row < count; ++row) {
      place[row] = place[row] * width + (key.ascending ? ranks[row] : width - 1 - ranks[row]);
    }
    span *= width;
  }
  rows_.resize(count);
  std::iota(rows_.begin(), rows_.end(), 0);
  std::sort(rows_.begin(), rows_.end(),
            [&](int a, int b) { return place[a] != place[b] ? place[a] < place[b] : a < b; });
  items_.resize(count);
  for (int item = 0; item < count; ++item) items_[rows_[item]] = item;
}
