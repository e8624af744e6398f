#include "mail_queue.hpp"

#include "log.hpp"

namespace lumora {

MailQueue::MailQueue(Store& store, Quota quota, std::function<void()> wake_worker)
    : store_(store), quota_(quota), wake_worker_(std::move(wake_worker)) {}

Admission MailQueue::push(const ComputerKey& key, const MailText& text, const std::string& code_verifier,
                          TimePoint now, std::string_view idempotency_key) {
    const Admission admission = store_.enqueue(key, text, code_verifier, now, quota_, idempotency_key);
    admitted(key, admission);
    return admission;
}

void MailQueue::admitted(const ComputerKey& key, Admission admission) {
    if (admission == Admission::queued)
        wake_worker_();
    else if (admission == Admission::repeated)
        log_line("reminder for " + key.address + " repeats an idempotency key of the last 24 h; not queued again");
    else if (admission == Admission::over_quota)
        log_line("quota of " + std::to_string(quota_.mails_per_address_per_hour) + " mails per hour reached for " +
                 key.address + "; mail not queued");
    else
        log_line("mail queue is full; mail for " + key.address + " not queued");
}

std::vector<SilentComputer> MailQueue::take_newly_silent(TimePoint deadline, const FlagText& text, TimePoint now) {
    const FlagMail mail{text, now, quota_};
    std::vector<SilentComputer> silent = store_.take_newly_silent(deadline, &mail);
    for (const auto& computer : silent) admitted(computer.key, computer.admission);
    return silent;
}

std::optional<SilentComputer> MailQueue::record_heartbeat(const ComputerKey& key, const std::string& code_verifier,
                                                        const FlagText& text, TimePoint now) {
    const FlagMail mail{text, now, quota_, &code_verifier};
    std::optional<SilentComputer> returned = store_.record_return(key, now, &mail);
    if (returned) admitted(key, returned->admission);
    return returned;
}

void MailQueue::release_parked(const ComputerKey& key, const std::string& code_verifier, TimePoint now) {
    if (store_.unpark(key, code_verifier, now) > 0) wake_worker_();
}

}  // namespace lumora
