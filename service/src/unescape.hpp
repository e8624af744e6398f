#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lumora {

// Turns a query value escaped by the desktop client back into UTF-8.
// "%XX" and "%uXXXX" each carry one UTF-16 code unit (so "%E9" is U+00E9, not a byte),
// surrogate pairs come as two "%u" groups, and every other byte stands for itself
// ("+" included: the client writes a space as "%20").
// Empty when an escape is broken, a surrogate is unpaired or the result is not UTF-8.
std::optional<std::string> unescape_client_value(std::string_view raw);

}  // namespace lumora
