#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

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
    struct Slot;

public:
    // A request's claim on the code it stored, from storing it until the request's own
    // heartbeat or mail is in the store: until then the store cannot show that the code is
    // needed, so the code is not wiped while any hold on it lasts.
    class Hold {
    public:
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;
        ~Hold();

    private:
        friend class CredentialVault;
        // A slot with holds is never dropped, and the table's entries do not move.
        Hold(CredentialVault& vault, Slot& slot) : vault_(vault), slot_(slot) {}

        CredentialVault& vault_;
        Slot& slot_;
    };

    CredentialVault() = default;
    CredentialVault(const CredentialVault&) = delete;
    CredentialVault& operator=(const CredentialVault&) = delete;

    // `verifier` is the code's, as the store holds it for the computer. The code is held
    // until the returned Hold goes.
    Hold remember(const ComputerKey& key, std::string_view code, std::string_view verifier);
    std::optional<HeldCode> code_for(const ComputerKey& key) const;
    // Drops the code once the computer is not monitored, has nothing left to send and no
    // request holds the code.
    void forget_if_unneeded(const ComputerKey& key, Store& store);
    std::size_t size() const;
    bool holds(const ComputerKey& key) const;

private:
    struct Slot {
        HeldCode held;
        int holds = 0;
        // When the code was last stored, in `stores_` counts: a code stored again while
        // the store was being asked is not the one found unneeded.
        std::uint64_t stored = 0;
    };

    void release(Slot& slot);

    mutable std::mutex mutex_;
    std::unordered_map<ComputerKey, Slot, ComputerKeyHash> codes_;
    std::uint64_t stores_ = 0;
};

}  // namespace lumora
