#pragma once

#include <string>
#include <string_view>

#include "transport.hpp"

namespace lumora {

// What a mail server last said in one send: the command it answered and its reply code.
// Fed from the client library's protocol trace, it keeps no more than the command's verb,
// since the lines after AUTH carry the authorisation code.
class SmtpDialogue {
public:
    // One line the client sent.
    void sent(std::string_view line);
    // One line the server sent.
    void received(std::string_view line);

    // "AUTH", "RCPT", ...; empty before the first command.
    const std::string& command() const { return command_; }
    // The reply code to that command, 0 when none came.
    int reply() const { return reply_; }

private:
    std::string command_;
    int reply_ = 0;
    bool quitting_ = false;
};

// Only a refused login (530, 534, 535) and a refused recipient are final; every other
// failure, 4xx replies included, and any 5xx elsewhere may pass and is retried.
Delivery classify_smtp(bool transferred, const SmtpDialogue& dialogue);

// For the log, e.g. "the server replied 454 to AUTH"; never the server's own text.
std::string describe_reply(const SmtpDialogue& dialogue);

}  // namespace lumora
