#include "WatchCheck.h"

#include <bitset>
#include <memory>
#include <optional>

namespace {

// The port a key's port text names, when it is one as the list writes it:
// decimal digits, no sign, no leading zero, at most 65535.
std::optional<uint16_t> PortOfKey(const std::wstring& key) {
  const std::wstring text = key.substr(0, key.find(L'备'));
  if (text.empty() || text.size() > 5 || (text.size() > 1 && text[0] == L'0')) return std::nullopt;
  uint32_t value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return std::nullopt;
    value = value * 10 + static_cast<uint32_t>(c - L'0');
  }
  if (value > 65535) return std::nullopt;
  return static_cast<uint16_t>(value);
}

}  // namespace

std::vector<bool> WatchedPortsPresent(const std::vector<std::wstring>& watchitems,
                                      const std::vector<uint16_t>& ports) {
  auto inUse = std::make_unique<std::bitset<65536>>();
  for (uint16_t port : ports) inUse->set(port);
  std::vector<bool> present;
  present.reserve(watchitems.size());
  for (const std::wstring& key : watchitems) {
    const std::optional<uint16_t> port = PortOfKey(key);
    present.push_back(port && inUse->test(*port));
  }
  return present;
}
