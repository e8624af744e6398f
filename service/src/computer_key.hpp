#pragma once

#include <compare>
#include <cstddef>
#include <functional>
#include <string>

namespace lumora {

// One monitored computer: the user's mail address and the computer id 1..5.
struct ComputerKey {
    std::string address;
    int computer_id = 0;

    auto operator<=>(const ComputerKey&) const = default;
};

// For the per-request look-ups: a tree of thousands of computers compares their addresses
// a dozen times for each heartbeat.
struct ComputerKeyHash {
    std::size_t operator()(const ComputerKey& key) const noexcept {
        return std::hash<std::string>{}(key.address) * 8 + static_cast<std::size_t>(key.computer_id);
    }
};

}  // namespace lumora
