#include "mail_worker.hpp"

#include <algorithm>

#include "log.hpp"
#include "mime.hpp"
#include "trust/code_verifier.hpp"

namespace lumora {
namespace {

// Even with nothing due the worker looks again now and then, to drop expired mail. On a
// shared store it looks often, since other instances queue mail this one may send.
constexpr std::chrono::minutes idle_recheck{1};
constexpr std::chrono::seconds shared_recheck{1};

std::string describe(const QueuedMail& mail) {
    return "mail " + std::to_string(mail.id) + " to " + mail.key.address + " (computer " +
           std::to_string(mail.key.computer_id) + ")";
}

}  // namespace

std::chrono::milliseconds retry_delay(const RetryPolicy& policy, int failed_attempts) {
    auto delay = policy.first_delay;
    for (int i = 1; i < failed_attempts && delay < policy.max_delay; ++i) delay *= 2;
    return std::min(delay, policy.max_delay);
}

MailWorker::MailWorker(Store& store, CredentialVault& vault, MailTransport& transport, RetryPolicy policy,
                       ClockFn clock)
    : store_(store), vault_(vault), transport_(transport), policy_(policy), clock_(std::move(clock)) {}

// While finished mail cannot be taken off the queue, nothing else is sent: the store is
// failing, and the next mail it hands out could be the finished one again.
std::optional<TimePoint> MailWorker::deliver_due(std::stop_token stop) {
    if (!settle_finished()) return clock_() + policy_.first_delay;
    if (const int expired = store_.drop_created_before(clock_() - policy_.give_up_after); expired > 0)
        log_line("dropped " + std::to_string(expired) + " mail(s) that could not be sent in time");
    // On a shared store this instance takes only mail whose code it holds; the rest waits
    // for an instance that holds it.
    MailFilter only;
    if (store_.shared() && transport_.needs_code())
        only = [this](const ComputerKey& key) { return vault_.holds(key); };
    while (!stop.stop_requested()) {
        const auto mail = store_.next_due(clock_(), only);
        if (!mail) break;
        deliver(*mail, stop);
        if (!finished_.empty()) return clock_() + policy_.first_delay;
    }
    return store_.next_attempt_time(only);
}

// A mail goes out only with the code it was queued with: a code that took the computer
// over later is not the one its sender showed.
void MailWorker::deliver(const QueuedMail& mail, std::stop_token stop) {
    std::optional<HeldCode> held;
    if (transport_.needs_code()) {
        held = vault_.code_for(mail.key);
        if (!held || !CodeVerifier::same(held->verifier, mail.code_verifier)) {
            store_.park_until_code(mail.id);
            // A code that arrived meanwhile found nothing parked to release: a request
            // stores its code before it releases, so one look after parking sees it.
            if (const auto arrived = vault_.code_for(mail.key);
                arrived && CodeVerifier::same(arrived->verifier, mail.code_verifier)) {
                store_.unpark(mail.key, arrived->verifier, clock_());
                return;
            }
            log_line(describe(mail) + " waits for the next heartbeat to bring its authorisation code");
            return;
        }
    }
    static const std::string no_code;
    const std::string& code = held ? held->code : no_code;
    const SendResult result = transport_.send({mail.id, mail.key.address, render_message(mail)}, code, stop);
    if (result.delivery == Delivery::retry) {
        const int attempts = mail.attempts + 1;
        const auto delay = retry_delay(policy_, attempts);
        store_.reschedule(mail.id, attempts, clock_() + delay);
        log_line(describe(mail) + " not sent (" + result.detail + "), try " + std::to_string(attempts) +
                 ", next in " + std::to_string(delay.count()) + " ms");
        return;
    }
    log_line(describe(mail) + (result.delivery == Delivery::sent ? " sent: " : " refused for good, dropped: ") +
             result.detail);
    finished_.insert(mail.id);
    if (settle_finished()) vault_.forget_if_unneeded(mail.key, store_);
}

bool MailWorker::settle_finished() {
    while (!finished_.empty()) {
        const std::int64_t id = *finished_.begin();
        try {
            store_.remove(id);
        } catch (const std::exception& error) {
            log_line("mail " + std::to_string(id) + " is done but cannot be taken off the queue (" + error.what() +
                     "); it is not sent again, the removal is retried in " +
                     std::to_string(policy_.first_delay.count()) + " ms");
            return false;
        }
        finished_.erase(finished_.begin());
    }
    return true;
}

void MailWorker::wake() {
    {
        const std::lock_guard lock(mutex_);
        woken_ = true;
    }
    wakeup_.notify_all();
}

// The wait is measured on the monotonic clock: a step of the wall clock neither wakes the
// worker early nor keeps it asleep for as long as the step.
void MailWorker::run(std::stop_token stop) {
    while (!stop.stop_requested()) {
        std::optional<TimePoint> next;
        try {
            next = deliver_due(stop);
        } catch (const std::exception& error) {
            log_line(std::string("mail worker: ") + error.what());
            next = clock_() + policy_.first_delay;
        }
        const std::chrono::milliseconds recheck = store_.shared() ? std::chrono::milliseconds(shared_recheck)
                                                                   : std::chrono::milliseconds(idle_recheck);
        const auto until_next = next ? std::chrono::duration_cast<std::chrono::milliseconds>(*next - clock_())
                                     : recheck;
        std::unique_lock lock(mutex_);
        wakeup_.wait_for(lock, stop, std::clamp(until_next, std::chrono::milliseconds(0), recheck),
                         [this] { return woken_; });
        woken_ = false;
    }
}

}  // namespace lumora
