#pragma once

#include <compare>
#include <string>

namespace lumora {

// One monitored computer: the user's mail address and the computer id 1..5.
struct ComputerKey {
    std::string address;
    int computer_id = 0;

    auto operator<=>(const ComputerKey&) const = default;
};

}  // namespace lumora
