#include "ProcText.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <iterator>
#include <string_view>

namespace {

// Linux's TCP state numbers (1 established ... 12 new-syn-recv) to the
// system table's (MIB_TCP_STATE: 1 closed ... 12 delete-tcb).
constexpr uint32_t kTableState[] = {0, 5, 3, 4, 6, 7, 11, 1, 8, 10, 2, 9, 4};

template <typename Number>
bool ParseNumber(std::string_view text, Number& value, int base) {
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value, base);
  return error == std::errc() && stop == end && !text.empty();
}

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  size_t at = 0;
  while (true) {
    at = line.find_first_not_of(" \t", at);
    if (at == std::string_view::npos) return words;
    const size_t end = line.find_first_of(" \t", at);
    words.push_back(line.substr(at, end - at));
    if (end == std::string_view::npos) return words;
    at = end;
  }
}

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t at = 0;
  while (at < text.size()) {
    const size_t end = text.find('\n', at);
    lines.push_back(text.substr(at, end - at));
    if (end == std::string_view::npos) break;
    at = end + 1;
  }
  return lines;
}

// "0100007F:1F90": the address as the 32-bit value Linux keeps in network
// order, printed in x86 host order, then the port number. Reading that hex
// number back into a little-endian field restores the network-order bytes.
bool ParsePort(std::string_view text, uint32_t& port) {
  uint16_t number = 0;
  if (text.size() != 4 || !ParseNumber(text, number, 16)) return false;
  port = PortField(number);
  return true;
}

bool ParseEndpoint(std::string_view text, uint32_t& address, uint32_t& port) {
  constexpr size_t kHex = 8;
  if (text.size() != kHex + 5 || text[kHex] != ':') return false;
  return ParseNumber(text.substr(0, kHex), address, 16) && ParsePort(text.substr(kHex + 1), port);
}

// The IPv6 address is printed the same way, as four such 32-bit words.
bool ParseEndpoint(std::string_view text, uint8_t (&address)[16], uint32_t& port) {
  constexpr size_t kHex = 32;
  if (text.size() != kHex + 5 || text[kHex] != ':') return false;
  for (size_t word = 0; word < 4; ++word) {
    uint32_t value = 0;
    if (!ParseNumber(text.substr(word * 8, 8), value, 16)) return false;
    std::memcpy(address + word * 4, &value, 4);
  }
  return ParsePort(text.substr(kHex + 1), port);
}

// sl local_address rem_address st tx_queue:rx_queue tr:tm->when retrnsmt uid timeout inode ...
template <typename Entry>
std::vector<Entry> ParseTable(const std::string& text) {
  constexpr size_t kLocal = 1, kRemote = 2, kState = 3, kInode = 9;
  std::vector<Entry> entries;
  for (const std::string_view line : Lines(text)) {
    const std::vector<std::string_view> words = Words(line);
    if (words.size() <= kInode) continue;
    Entry entry;
    uint32_t state = 0;
    if (!ParseEndpoint(words[kLocal], entry.row.localAddr, entry.row.localPort) ||
        !ParseEndpoint(words[kRemote], entry.row.remoteAddr, entry.row.remotePort) ||
        !ParseNumber(words[kState], state, 16) || !ParseNumber(words[kInode], entry.inode, 10)) {
      continue;
    }
    entry.row.state = state < std::size(kTableState) ? kTableState[state] : 0;
    entries.push_back(entry);
  }
  return entries;
}

// The value of a "name:<blanks>value" line, when the line has that name.
bool LineValue(std::string_view line, std::string_view name, uint64_t& value) {
  if (!line.starts_with(name)) return false;
  line.remove_prefix(name.size());
  const size_t at = line.find_first_not_of(" \t");
  return at != std::string_view::npos && ParseNumber(line.substr(at), value, 10);
}

}  // namespace

std::vector<ProcTcpEntry> ParseProcNetTcp(const std::string& text) {
  return ParseTable<ProcTcpEntry>(text);
}

std::vector<ProcTcp6Entry> ParseProcNetTcp6(const std::string& text) {
  return ParseTable<ProcTcp6Entry>(text);
}

bool IsWholeProcTable(const std::string& text, size_t entries) {
  if (text.empty()) return true;
  if (text.back() != '\n') return false;
  const size_t lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
  const bool heading = text.substr(0, text.find('\n')).find("local_address") != std::string::npos;
  return lines == entries + (heading ? 1 : 0);
}

bool ParseFdInfo(const std::string& text, FdInfo& info) {
  bool inode = false, mount = false;
  for (const std::string_view line : Lines(text)) {
    inode = inode || LineValue(line, "ino:", info.inode);
    mount = mount || LineValue(line, "mnt_id:", info.mountId);
  }
  return inode && mount;
}

std::unordered_set<uint64_t> ParseMountIds(const std::string& text) {
  std::unordered_set<uint64_t> ids;
  for (const std::string_view line : Lines(text)) {
    const std::vector<std::string_view> words = Words(line);
    uint64_t id = 0;
    if (!words.empty() && ParseNumber(words[0], id, 10)) ids.insert(id);
  }
  return ids;
}
