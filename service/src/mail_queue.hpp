#pragma once

#include <functional>

#include "store/store.hpp"

namespace lumora {

// The one way mail enters the queue: applies the per-address quota and wakes the worker.
class MailQueue {
public:
    MailQueue(Store& store, Quota quota, std::function<void()> wake_worker);

    // `code_verifier` is of the code that may send the mail: the one the request came with.
    Admission push(const ComputerKey& key, const MailText& text, const std::string& code_verifier, TimePoint now,
                   std::string_view idempotency_key = {});
    // A code for this computer has arrived: mail parked for want of it is due again.
    void release_parked(const ComputerKey& key, const std::string& code_verifier, TimePoint now);

    using FlagText = std::function<MailText(const SilentComputer&)>;
    // Flags the computers silent since before the deadline, each one's mail queued in the
    // same transaction, and returns them.
    std::vector<SilentComputer> take_newly_silent(TimePoint deadline, const FlagText& text, TimePoint now);
    // Records a heartbeat; a computer back from silence has its mail queued in the same
    // transaction, to be sent with the heartbeat's code, and is returned.
    std::optional<SilentComputer> record_heartbeat(const ComputerKey& key, const std::string& code_verifier,
                                                   const FlagText& text, TimePoint now);

private:
    void admitted(const ComputerKey& key, Admission admission);

    Store& store_;
    Quota quota_;
    std::function<void()> wake_worker_;
};

}  // namespace lumora
