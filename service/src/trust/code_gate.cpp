#include "trust/code_gate.hpp"

#include <optional>

#include "log.hpp"
#include "request_error.hpp"

namespace lumora {
namespace {

std::string computer_text(const ComputerKey& key) {
    return key.address + " computer " + std::to_string(key.computer_id);
}

}  // namespace

CodeGate::CodeGate(Store& store, MailTransport& transport, const CodeVerifier& verifier, GateLimits limits,
                   ClockFn clock)
    : store_(store),
      transport_(transport),
      verifier_(verifier),
      clock_(std::move(clock)),
      failures_by_address_(limits.failed_checks),
      failures_by_client_(limits.failed_checks),
      new_computers_(limits.new_computers_per_client) {}

std::string CodeGate::admit(const ComputerKey& key, const std::string& code, const std::string& client) {
    std::string verifier = verifier_.of(key, code);
    const std::optional<std::string> bound = store_.code_verifier(key);
    if (bound && CodeVerifier::same(*bound, verifier)) return verifier;
    std::optional<LimitTicket> new_computer;
    if (!bound) {
        if (!new_computers_.take(client, std::chrono::steady_clock::now())) {
            log_line(client + " reached its limit of new computers; " + computer_text(key) + " not added");
            throw RequestError(429, "新增监控的电脑过多，请一小时后再试");
        }
        new_computer.emplace(new_computers_, client);
    }
    vouch(key, code, verifier, bound.has_value(), client);
    if (new_computer) new_computer->keep();
    return verifier;
}

// Every check counts as failed until the server accepts the code, so a burst of checks
// running at once cannot pass the limit either.
void CodeGate::vouch(const ComputerKey& key, const std::string& code, const std::string& verifier,
                              bool replacing, const std::string& client) {
    const auto now = std::chrono::steady_clock::now();
    if (!failures_by_address_.take(key.address, now)) {
        log_line(computer_text(key) + ": too many refused codes in an hour; not checked");
        throw RequestError(429, "验证授权码失败次数过多，请一小时后再试");
    }
    LimitTicket by_address(failures_by_address_, key.address);
    if (!failures_by_client_.take(client, now)) {
        log_line(client + ": too many refused codes in an hour; " + computer_text(key) + " not checked");
        throw RequestError(429, "验证授权码失败次数过多，请一小时后再试");
    }
    LimitTicket by_client(failures_by_client_, client);

    switch (transport_.check_code(key.address, code, replacing)) {
        case CodeCheck::accepted:
            store_.bind_code(key, verifier, clock_());
            log_line(computer_text(key) + (replacing ? " is taken over by a new code" : " is held by its first code") +
                     ", which the mail server accepted");
            return;
        case CodeCheck::refused:
            by_address.keep();
            by_client.keep();
            log_line(computer_text(key) + ": a code from " + client + " was refused" +
                     (replacing ? "; the computer keeps its code" : ""));
            throw RequestError(403, replacing ? "授权码与该电脑的监控不符" : "邮箱授权码无效");
        case CodeCheck::unavailable: break;
    }
    log_line(computer_text(key) + ": the mail server could not check a new code");
    throw RequestError(503, "暂时无法验证邮箱授权码，请稍后再试");
}

}  // namespace lumora
