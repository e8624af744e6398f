#pragma once

#include <functional>

#include "store/store.hpp"

namespace lumora {

// The one way mail enters the queue: applies the per-address quota and wakes the worker.
class MailQueue {
public:
    MailQueue(Store& store, Quota quota, std::function<void()> wake_worker);

    // `code_verifier` is of the code that may send the mail: the one the request came with.
    Admission push(const ComputerKey& key, const MailText& text, const std::string& code_verifier, TimePoint now);
    // A code for this computer has arrived: mail parked for want of it is due again.
    void release_parked(const ComputerKey& key, const std::string& code_verifier, TimePoint now);

private:
    Store& store_;
    Quota quota_;
    std::function<void()> wake_worker_;
};

}  // namespace lumora
