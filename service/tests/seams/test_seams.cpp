#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "forwarding_store.hpp"
#include "seams/seams.hpp"

// The test build's seams, steered through files in the folder LUMORA_TEST_SEAMS names:
// - wall-clock-offset-ms: milliseconds added to the real wall clock;
// - fail-bookkeeping: while it exists, taking a mail off the queue fails as a full
//   disk would.
// Files are read on every use; the tests that need them send little traffic.
namespace lumora {
namespace {

namespace fs = std::filesystem;

fs::path seam_folder() {
    const char* folder = std::getenv("LUMORA_TEST_SEAMS");
    return folder ? fs::path(folder) : fs::path();
}

std::int64_t wall_clock_offset_ms(const fs::path& folder) {
    std::ifstream in(folder / "wall-clock-offset-ms");
    std::int64_t offset = 0;
    return in >> offset ? offset : 0;
}

class FaultyStore final : public testing::ForwardingStore {
public:
    FaultyStore(std::unique_ptr<Store> inner, fs::path folder)
        : ForwardingStore(std::move(inner)), folder_(std::move(folder)) {}

    void remove(std::int64_t id) override {
        if (fs::exists(folder_ / "fail-bookkeeping")) throw std::runtime_error("database: injected: disk is full");
        ForwardingStore::remove(id);
    }

private:
    fs::path folder_;
};

}  // namespace

Seams make_seams() {
    const fs::path folder = seam_folder();
    if (folder.empty()) throw std::runtime_error("this test build wants LUMORA_TEST_SEAMS naming a folder");
    return {[folder] { return Clock::now() + std::chrono::milliseconds(wall_clock_offset_ms(folder)); },
            [folder](std::unique_ptr<Store> store) { return std::make_unique<FaultyStore>(std::move(store), folder); }};
}

}  // namespace lumora
