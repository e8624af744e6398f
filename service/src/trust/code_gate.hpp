#pragma once

#include <string>

#include "store/store.hpp"
#include "transport.hpp"
#include "trust/code_verifier.hpp"
#include "trust/hourly_limit.hpp"

namespace lumora {

struct GateLimits {
    // Codes the mail server refused, per address and per client address, in an hour.
    int failed_checks = 5;
    // Computers a client address may add in an hour.
    int new_computers_per_client = 20;
};

// Whether a request's code may act for its computer. A computer belongs to the code that
// first took it; another code takes it over only when the mail server accepts it, so
// knowing a user's address is not enough to act for them. Codes the server refused are
// limited per address and per client, so the service is no oracle for guessing codes.
class CodeGate {
public:
    CodeGate(Store& store, MailTransport& transport, const CodeVerifier& verifier, GateLimits limits, ClockFn clock);

    // The verifier of `code` once it holds the computer. Throws RequestError and changes
    // nothing when it does not: 403 for a refused code, 429 past a limit, 503 when the
    // mail server cannot say.
    std::string admit(const ComputerKey& key, const std::string& code, const std::string& client);

private:
    // Asks the mail server about a code new to the computer and binds it when accepted.
    void vouch(const ComputerKey& key, const std::string& code, const std::string& verifier, bool replacing,
               const std::string& client);

    Store& store_;
    MailTransport& transport_;
    const CodeVerifier& verifier_;
    ClockFn clock_;
    HourlyLimit failures_by_address_;
    HourlyLimit failures_by_client_;
    HourlyLimit new_computers_;
};

}  // namespace lumora
