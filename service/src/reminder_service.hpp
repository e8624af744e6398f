#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "credentials.hpp"
#include "deadman.hpp"
#include "mail_queue.hpp"
#include "query.hpp"
#include "trust/code_gate.hpp"
#include "version.hpp"

namespace lumora {

struct Reply {
    int status = 200;
    std::string body;
};

struct ServiceSettings {
    std::string domain;
    Version min_version;
    std::filesystem::path tips_file;
};

// The five requests of the desktop client. A request that fails validation changes
// nothing and gets a 4xx reply whose text the client may show as it stands.
class ReminderService {
public:
    ReminderService(ServiceSettings settings, Store& store, CredentialVault& vault, MailQueue& queue,
                    DeadmanSwitch& deadman, CodeGate& gate, ClockFn clock);

    // raw_query is the query exactly as it came on the wire; client is the address the
    // request came from. Unknown paths get 404.
    // `idempotency_key` is the request's Idempotency-Key header, empty when it has none.
    Reply handle(std::string_view path, std::string_view raw_query, const std::string& client,
                 std::string_view idempotency_key = {});

private:
    struct Request {
        std::string_view raw_query;
        const std::string& client;
        std::string_view idempotency_key;
    };
    Reply tips(const Request& request);
    Reply version_check(const Request& request);
    Reply monitoring_on(const Request& request);
    Reply monitoring_off(const Request& request);
    Reply reminder(const Request& request);

    // The computer of a request, after checking its address, id and authorisation code.
    ComputerKey computer(const Query& query) const;

    ServiceSettings settings_;
    Store& store_;
    CodeGate& gate_;
    CredentialVault& vault_;
    MailQueue& queue_;
    DeadmanSwitch& deadman_;
    ClockFn clock_;
};

}  // namespace lumora
