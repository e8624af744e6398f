#include "store/sqlite/wal_checkpointer.hpp"

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "log.hpp"

namespace lumora {
namespace {

constexpr std::chrono::milliseconds interval{500};

}  // namespace

WalCheckpointer::WalCheckpointer(const std::string& database)
    : db_(database), thread_([this](std::stop_token stop) { run(stop); }) {}

// PASSIVE copies what it can without holding up the writer. RESTART then copies the
// few commits made meanwhile, holding the writer back for that moment, so the log starts
// from its beginning again instead of growing for as long as commits keep coming.
void WalCheckpointer::run(std::stop_token stop) {
    std::mutex mutex;
    std::condition_variable_any sleeper;
    while (!stop.stop_requested()) {
        std::unique_lock lock(mutex);
        if (sleeper.wait_for(lock, stop, interval, [] { return false; }) || stop.stop_requested()) return;
        try {
            db_.exec("PRAGMA wal_checkpoint(PASSIVE); PRAGMA wal_checkpoint(RESTART)", "checkpoint");
        } catch (const std::exception& error) {
            log_line(std::string("database checkpoint: ") + error.what());
        }
    }
}

}  // namespace lumora
