#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace lumora {

using Clock = std::chrono::system_clock;
using TimePoint = Clock::time_point;
using ClockFn = std::function<TimePoint()>;

std::int64_t to_unix_ms(TimePoint t);
TimePoint from_unix_ms(std::int64_t ms);

// "2024-05-01 13:45:09" in the service's local time zone, as a person reads it in a mail.
std::string local_time_text(TimePoint t);

// The Date header form, e.g. "Wed, 01 May 2024 13:45:09 +0800".
std::string mail_date_text(TimePoint t);

}  // namespace lumora
