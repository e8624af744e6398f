#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace lumora {

// One time-stamped line on standard error. Hidden controls and backslashes in the
// message are escaped, so text taken from a request can neither start a line of its own,
// cut one short nor reorder what a reader sees. Callers never pass an authorisation code.
void log_line(std::string_view message);

// Controls below 0x80 and bytes that are not UTF-8 as \xHH, the other hidden controls
// (C1, the bidirectional marks and overrides, line separators) as \uHHHH, the backslash
// as \\; everything else, UTF-8 included, as it is.
std::string escape_control_characters(std::string_view text);

// A value taken from a request, for a log line: past `most` bytes it is cut (on a
// character boundary) and its length noted, so a long path cannot make a long line.
std::string bounded(std::string_view value, std::size_t most = 200);

}  // namespace lumora
