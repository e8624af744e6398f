#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <set>
#include <stop_token>

#include "credentials.hpp"
#include "store/store.hpp"
#include "transport.hpp"

namespace lumora {

struct RetryPolicy {
    std::chrono::milliseconds first_delay{std::chrono::seconds(5)};
    std::chrono::milliseconds max_delay{std::chrono::minutes(10)};
    std::chrono::milliseconds give_up_after{std::chrono::hours(24)};
};

// Delay before the next try after this many failed ones: doubling from the first delay
// up to the maximum.
std::chrono::milliseconds retry_delay(const RetryPolicy& policy, int failed_attempts);

// Sends queued mail one at a time, so the HTTP side never waits on a mail server.
class MailWorker {
public:
    MailWorker(Store& store, CredentialVault& vault, MailTransport& transport, RetryPolicy policy, ClockFn clock);

    // Handles every mail due now and returns when the next one falls due.
    std::optional<TimePoint> deliver_due(std::stop_token stop = {});
    // Something was queued or a code arrived.
    void wake();
    // Thread body: deliver, then sleep until the next due time, a wake() or a stop request.
    void run(std::stop_token stop);

private:
    void deliver(const QueuedMail& mail, std::stop_token stop);
    // Takes finished mail off the queue; false while the store still fails to.
    bool settle_finished();

    Store& store_;
    CredentialVault& vault_;
    MailTransport& transport_;
    RetryPolicy policy_;
    ClockFn clock_;
    // Mail sent or refused for good whose removal from the queue has yet to succeed: the
    // transport accepted it, so it is never handed to the transport again, and only the
    // bookkeeping is retried. Used by the worker's thread alone.
    std::set<std::int64_t> finished_;
    std::mutex mutex_;
    std::condition_variable_any wakeup_;
    bool woken_ = false;
};

}  // namespace lumora
