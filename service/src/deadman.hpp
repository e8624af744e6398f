#pragma once

#include <chrono>
#include <stop_token>

#include "mail_queue.hpp"

namespace lumora {

// Mails the user once when a monitored computer stops sending heartbeats for longer than
// the grace, and once more when heartbeats come back.
class DeadmanSwitch {
public:
    DeadmanSwitch(Store& store, MailQueue& queue, std::chrono::milliseconds grace, ClockFn clock);

    // `code_verifier` is of the code the heartbeat came with, which sends its return mail.
    void heartbeat(const ComputerKey& key, const std::string& code_verifier);
    void check();
    // Thread body: check() a few times per grace until stopped.
    void run(std::stop_token stop);

private:
    Store& store_;
    MailQueue& queue_;
    std::chrono::milliseconds grace_;
    ClockFn clock_;
};

}  // namespace lumora
