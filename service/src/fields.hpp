#pragma once

#include <string>
#include <string_view>

namespace lumora {

// Validation of the decoded query values. Each throws RequestError naming the key.

// Returns the address in lower case, so that one mailbox has one identity.
std::string mail_address(std::string_view value, std::string_view accepted_domain);

int computer_id(std::string_view value);

void check_authorisation_code(std::string_view value);

void check_watch_key(std::string_view value);

// Up to 128 printable ASCII characters, or empty.
void check_idempotency_key(std::string_view value);

}  // namespace lumora
