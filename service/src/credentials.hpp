#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "computer_key.hpp"
#include "trust/wipe.hpp"

namespace lumora {

class Store;

// A copy of a held code and the verifier it was checked against; the copy is wiped when
// it goes.
struct HeldCode {
    std::string code;
    std::string verifier;
    ~HeldCode() { wipe(code); }
};

// Authorisation codes, held in memory only and wiped when dropped. A code lives while its
// computer is monitored or still has mail queued; after a restart it comes back with the
// next heartbeat or reminder request of that computer.
class CredentialVault {
public:
    CredentialVault() = default;
    CredentialVault(const CredentialVault&) = delete;
    CredentialVault& operator=(const CredentialVault&) = delete;

    // `verifier` is the code's, as the store holds it for the computer.
    void remember(const ComputerKey& key, std::string_view code, std::string_view verifier);
    std::optional<HeldCode> code_for(const ComputerKey& key) const;
    void forget(const ComputerKey& key);
    // Drops the code once the computer is not monitored and has nothing left to send.
    void forget_if_unneeded(const ComputerKey& key, Store& store);
    std::size_t size() const;
    bool holds(const ComputerKey& key) const;

private:
    mutable std::mutex mutex_;
    std::map<ComputerKey, HeldCode> codes_;
};

}  // namespace lumora
