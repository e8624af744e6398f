#include "store/sqlite/wal_sync.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace lumora {

// An in-memory database (the tests') has nothing to put on disk.
WalSync::WalSync(const std::string& database)
    : log_path_(database.empty() || database == ":memory:" ? std::string() : database + "-wal") {}

WalSync::~WalSync() {
    if (fd_ >= 0) close(fd_);
}

void WalSync::wait_durable(std::uint64_t commit) {
    std::unique_lock lock(mutex_);
    while (synced_ < commit) {
        if (syncing_) {
            done_.wait(lock);
            continue;
        }
        syncing_ = true;
        // Commits made while the sync runs are not counted: they may have missed it.
        const std::uint64_t covered = made_;
        lock.unlock();
        std::exception_ptr failure;
        try {
            sync_log();
        } catch (const std::exception&) {
            failure = std::current_exception();
        }
        lock.lock();
        syncing_ = false;
        if (!failure) synced_ = std::max(synced_, covered);
        done_.notify_all();
        if (failure) std::rethrow_exception(failure);
    }
}

// SQLite keeps the log file while its connection is open, so one descriptor stays good;
// fdatasync on it flushes what the connection wrote through its own.
void WalSync::sync_log() {
    if (log_path_.empty()) return;
    if (fd_ < 0) fd_ = open(log_path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0 || fdatasync(fd_) != 0)
        throw std::runtime_error("database: cannot sync " + log_path_ + ": " + std::strerror(errno));
}

}  // namespace lumora
