#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace lumora::testing {

namespace fs = std::filesystem;

struct IssuedCertificate {
    fs::path certificate;
    fs::path key;
};

// A certificate authority made for one test by the openssl tool, in `dir`.
class TestAuthority {
public:
    explicit TestAuthority(const fs::path& dir);

    const fs::path& certificate() const { return certificate_; }
    // A server certificate whose common name is `name`, for the host names and addresses
    // in `alt_names` (as openssl writes them: "DNS:localhost,IP:127.0.0.1").
    IssuedCertificate issue(const std::string& name,
                            const std::string& alt_names = "DNS:localhost,IP:127.0.0.1") const;

private:
    fs::path dir_;
    fs::path certificate_;
    fs::path key_;
};

// Runs a program to its end within 30 s; its output is appended to `output`. Returns the
// exit status, -1 when it had to be killed.
int run_program(const std::vector<std::string>& argv, const fs::path& output);

}  // namespace lumora::testing
