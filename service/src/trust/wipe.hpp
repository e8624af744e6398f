#pragma once

#include <string.h>

#include <string>

namespace lumora {

// Overwrites a secret's whole buffer, spare capacity included, where a shorter earlier
// value may still lie. The compiler may not drop the write as dead.
inline void wipe(std::string& secret) { explicit_bzero(secret.data(), secret.capacity()); }

// Wipes the string when the scope ends, however it ends.
class WipeOnExit {
public:
    explicit WipeOnExit(std::string& secret) : secret_(secret) {}
    ~WipeOnExit() { wipe(secret_); }
    WipeOnExit(const WipeOnExit&) = delete;
    WipeOnExit& operator=(const WipeOnExit&) = delete;

private:
    std::string& secret_;
};

}  // namespace lumora
