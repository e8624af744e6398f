#pragma once

#include <string>
#include <string_view>

namespace lumora {

// One time-stamped line on standard error. Control characters and backslashes in the
// message are escaped, so text taken from a request can neither start a line of its own
// nor cut one short. Callers never pass an authorisation code.
void log_line(std::string_view message);

// Bytes below 0x20 and 0x7F as \xHH and the backslash as \\; everything else, UTF-8
// included, as it is.
std::string escape_control_characters(std::string_view text);

}  // namespace lumora
