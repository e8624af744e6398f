#pragma once

#include <string_view>

namespace lumora {

// One time-stamped line on standard error. Callers never pass an authorisation code.
void log_line(std::string_view message);

}  // namespace lumora
