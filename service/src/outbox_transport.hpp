#pragma once

#include <filesystem>

#include "transport.hpp"

namespace lumora {

// Writes each mail as an .eml file into a folder, for a machine without a mail server.
class OutboxTransport : public MailTransport {
public:
    // Creates the folder; throws std::runtime_error when that fails.
    explicit OutboxTransport(std::filesystem::path folder);

    bool needs_code() const override { return false; }
    SendResult send(const OutgoingMail& mail, const std::string& code, std::stop_token stop) override;
    // No mail server can vouch for a code here: a computer keeps the first code it came
    // with, and any other is refused.
    CodeCheck check_code(const std::string&, const std::string&, bool replacing) override {
        return replacing ? CodeCheck::refused : CodeCheck::accepted;
    }

private:
    std::filesystem::path folder_;
};

}  // namespace lumora
