#include "store/sqlite/wal_checkpointer.hpp"

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "log.hpp"

namespace lumora {
namespace {

constexpr std::chrono::milliseconds interval{500};
constexpr std::chrono::milliseconds quick_pass{5};
constexpr int max_passes = 4;

}  // namespace

// The connection reads the schema first: until it has, it does not know the database is
// in WAL mode, and a checkpoint on it copies nothing.
WalCheckpointer::WalCheckpointer(const std::string& database, std::mutex& writers)
    : db_(database), writers_(writers) {
    db_.exec("PRAGMA schema_version", "checkpoint");
    thread_ = std::jthread([this](std::stop_token stop) { run(stop); });
}

// Each pass copies the log without holding up the writer, and what it leaves is what was
// committed while it ran, so each is shorter than the one before. Once one is quick, a
// last pass under the writers' lock copies the rest; with the log copied whole, the next
// commit starts it from its beginning again, so it does not grow for as long as commits
// keep coming. Waiting for writers instead (RESTART) would leave a writer in SQLite's busy
// handler, whose sleeps grow to tens of milliseconds, with every request behind it.
void WalCheckpointer::run(std::stop_token stop) {
    std::mutex mutex;
    std::condition_variable_any sleeper;
    while (!stop.stop_requested()) {
        std::unique_lock lock(mutex);
        if (sleeper.wait_for(lock, stop, interval, [] { return false; }) || stop.stop_requested()) return;
        try {
            for (int pass = 0; pass < max_passes; ++pass) {
                const auto start = std::chrono::steady_clock::now();
                db_.checkpoint();
                if (std::chrono::steady_clock::now() - start < quick_pass) break;
            }
            const std::lock_guard quiet(writers_);
            db_.checkpoint();
        } catch (const std::exception& error) {
            log_line(std::string("database checkpoint: ") + error.what());
        }
    }
}

}  // namespace lumora
