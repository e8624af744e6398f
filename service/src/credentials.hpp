#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "computer_key.hpp"

namespace lumora {

class Store;

// Authorisation codes, held in memory only and wiped when dropped. A code lives while its
// computer is monitored or still has mail queued; after a restart it comes back with the
// next heartbeat or reminder request of that computer.
class CredentialVault {
public:
    CredentialVault() = default;
    CredentialVault(const CredentialVault&) = delete;
    CredentialVault& operator=(const CredentialVault&) = delete;
    ~CredentialVault();

    void remember(const ComputerKey& key, std::string_view code);
    std::optional<std::string> code_for(const ComputerKey& key) const;
    void forget(const ComputerKey& key);
    // Drops the code once the computer is not monitored and has nothing left to send.
    void forget_if_unneeded(const ComputerKey& key, Store& store);
    std::size_t size() const;
    bool holds(const ComputerKey& key) const;

private:
    mutable std::mutex mutex_;
    std::map<ComputerKey, std::string> codes_;
};

}  // namespace lumora
