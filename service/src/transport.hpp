#pragma once

#include <cstdint>
#include <stop_token>
#include <string>
#include <string_view>

namespace lumora {

struct OutgoingMail {
    std::int64_t id = 0;
    std::string address;
    std::string message;
};

enum class Delivery {
    sent,
    retry,     // worth trying again later: server away, time-out, temporary refusal
    rejected,  // will never go through as it stands: login refused, permanent refusal
};

// The mail server's word on a code the service has not seen for a computer.
enum class CodeCheck {
    accepted,
    refused,      // the login was refused: the code is not the mailbox's
    unavailable,  // no answer or a temporary refusal: ask again later
};

struct SendResult {
    Delivery delivery;
    std::string detail;  // for the log; never holds the authorisation code
};

class MailTransport {
public:
    virtual ~MailTransport() = default;

    // Whether send() needs the user's authorisation code.
    virtual bool needs_code() const = 0;
    // A stop request aborts a transfer in progress, which then counts as retry.
    virtual SendResult send(const OutgoingMail& mail, const std::string& code, std::stop_token stop) = 0;
    // Whether the code opens the address's mailbox; nothing is sent. `replacing` tells
    // that the computer is held by another code.
    virtual CodeCheck check_code(const std::string& address, const std::string& code, bool replacing) = 0;
};

}  // namespace lumora
