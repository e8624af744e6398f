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
};

}  // namespace lumora
