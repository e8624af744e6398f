#include "smtp_reply.hpp"

#include <array>

namespace lumora {
namespace {

constexpr std::array<std::string_view, 10> known_commands = {"EHLO", "HELO", "STARTTLS", "AUTH", "MAIL",
                                                             "RCPT", "DATA", "RSET",     "NOOP", "QUIT"};

// The verb when the line starts with a known command followed by a space, a colon or
// the line's end; an AUTH continuation (the code itself, encoded) matches none.
std::string_view verb_of(std::string_view line) {
    for (const std::string_view verb : known_commands) {
        if (!line.starts_with(verb)) continue;
        const std::string_view rest = line.substr(verb.size());
        if (rest.empty() || rest[0] == ' ' || rest[0] == ':' || rest[0] == '\r' || rest[0] == '\n') return verb;
    }
    return {};
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

void SmtpDialogue::sent(std::string_view line) {
    const std::string_view verb = verb_of(line);
    if (verb.empty()) return;
    // Curl says goodbye after a failure too; the reply that counts is the one before.
    if (verb == "QUIT") {
        quitting_ = true;
        return;
    }
    command_ = verb;
    reply_ = 0;
}

// A reply's last line carries a space (or nothing) after the code; "250-" lines go on.
void SmtpDialogue::received(std::string_view line) {
    if (quitting_ || line.size() < 3 || !is_digit(line[0]) || !is_digit(line[1]) || !is_digit(line[2])) return;
    if (line.size() > 3 && line[3] == '-') return;
    reply_ = (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
}

Delivery classify_smtp(bool transferred, const SmtpDialogue& dialogue) {
    if (transferred) return Delivery::sent;
    const int reply = dialogue.reply();
    if (dialogue.command() == "AUTH" && (reply == 530 || reply == 534 || reply == 535)) return Delivery::rejected;
    if (dialogue.command() == "RCPT" && reply >= 500 && reply < 600) return Delivery::rejected;
    return Delivery::retry;
}

std::string describe_reply(const SmtpDialogue& dialogue) {
    if (dialogue.command().empty())
        return dialogue.reply() == 0 ? "no greeting from the server"
                                     : "the server greeted with " + std::to_string(dialogue.reply());
    if (dialogue.reply() == 0) return "no reply to " + dialogue.command();
    return "the server replied " + std::to_string(dialogue.reply()) + " to " + dialogue.command();
}

}  // namespace lumora
