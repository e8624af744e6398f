#pragma once

#include <cstdint>
#include <string>
#include <vector>

// For each watch key, whether its local port (the key's text before "备") is
// among the given ports, compared as the list shows them: plain decimal text.
// One pass over the ports and one over the keys.
std::vector<bool> WatchedPortsPresent(const std::vector<std::wstring>& watchitems,
                                      const std::vector<uint16_t>& ports);
