#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "time_text.hpp"

namespace lumora {

struct MailText {
    std::string subject;
    std::string body;
};

// A watched connection is gone. The watch key is the client's "<port>备注 <remark>".
MailText reminder_mail(int computer_id, std::string_view watch_key, TimePoint at);

// No heartbeat within the grace.
MailText silence_mail(int computer_id, TimePoint last_heartbeat, std::chrono::milliseconds grace);

// Heartbeats are back after a silence mail.
MailText recovery_mail(int computer_id, TimePoint at);

}  // namespace lumora
