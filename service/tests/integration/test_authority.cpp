#include "test_authority.hpp"

#include <fstream>
#include <stdexcept>
#include <vector>

#include "harness.hpp"

namespace lumora::testing {
namespace {

std::vector<std::string> new_key_request(const fs::path& key, const std::string& subject) {
    return {"/usr/bin/openssl", "req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes", "-keyout", key.string(),
            "-subj", "/CN=" + subject};
}

void run_or_throw(std::vector<std::string> argv, const fs::path& log) {
    if (run_program(argv, log) != 0) throw std::runtime_error("openssl failed:\n" + read_file(log));
}

}  // namespace

int run_program(const std::vector<std::string>& argv, const fs::path& output) {
    ChildProcess program(argv, output);
    return program.wait(30s);
}

TestAuthority::TestAuthority(const fs::path& dir)
    : dir_(dir), certificate_(dir / "authority.crt"), key_(dir / "authority.key") {
    fs::create_directories(dir_);
    std::vector<std::string> argv = new_key_request(key_, "Lumora Test Authority");
    argv.insert(argv.end(), {"-x509", "-days", "2", "-out", certificate_.string()});
    run_or_throw(argv, dir_ / "openssl.log");
}

IssuedCertificate TestAuthority::issue(const std::string& name, const std::string& alt_names) const {
    const IssuedCertificate issued{dir_ / (name + ".crt"), dir_ / (name + ".key")};
    const fs::path request = dir_ / (name + ".csr");
    const fs::path extensions = dir_ / (name + ".ext");
    std::ofstream(extensions) << "subjectAltName=" << alt_names << "\n";
    std::vector<std::string> argv = new_key_request(issued.key, name);
    argv.insert(argv.end(), {"-out", request.string()});
    run_or_throw(argv, dir_ / "openssl.log");
    run_or_throw({"/usr/bin/openssl", "x509", "-req", "-in", request.string(), "-CA", certificate_.string(), "-CAkey",
                  key_.string(), "-CAcreateserial", "-days", "2", "-extfile", extensions.string(), "-out",
                  issued.certificate.string()},
                 dir_ / "openssl.log");
    return issued;
}

}  // namespace lumora::testing
