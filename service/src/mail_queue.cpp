#include "mail_queue.hpp"

#include "log.hpp"

namespace lumora {

MailQueue::MailQueue(Store& store, Quota quota, std::function<void()> wake_worker)
    : store_(store), quota_(quota), wake_worker_(std::move(wake_worker)) {}

Admission MailQueue::push(const ComputerKey& key, const MailText& text, const std::string& code_verifier,
                          TimePoint now) {
    const Admission admission = store_.enqueue(key, text, code_verifier, now, quota_);
    if (admission == Admission::queued)
        wake_worker_();
    else if (admission == Admission::over_quota)
        log_line("quota of " + std::to_string(quota_.mails_per_address_per_hour) + " mails per hour reached for " +
                 key.address + "; mail not queued");
    else
        log_line("mail queue is full; mail for " + key.address + " not queued");
    return admission;
}

void MailQueue::release_parked(const ComputerKey& key, const std::string& code_verifier, TimePoint now) {
    if (store_.unpark(key, code_verifier, now) > 0) wake_worker_();
}

}  // namespace lumora
