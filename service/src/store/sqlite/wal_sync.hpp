#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

namespace lumora {

// Puts commits on disk that SQLite made without a sync (write-ahead log with
// synchronous=NORMAL), many at once: a sync of the log file covers every commit written
// before it, so writers that wait together share one sync instead of each paying for
// their own.
class WalSync {
public:
    // `database` is the SQLite file; its log is "<database>-wal".
    explicit WalSync(const std::string& database);
    ~WalSync();
    WalSync(const WalSync&) = delete;
    WalSync& operator=(const WalSync&) = delete;

    // Numbers a commit that must reach the disk. Call right after the commit, under the
    // lock that orders the connection's commits.
    std::uint64_t committed() { return ++made_; }
    // Returns once commit number `commit` is on disk: one waiting caller syncs for all
    // commits made so far while the others wait for it. Throws when the sync fails.
    void wait_durable(std::uint64_t commit);

private:
    void sync_log();

    const std::string log_path_;
    int fd_ = -1;  // opened by the first sync; only the syncing thread touches it
    std::atomic<std::uint64_t> made_{0};
    std::mutex mutex_;
    std::condition_variable done_;
    bool syncing_ = false;
    std::uint64_t synced_ = 0;
};

}  // namespace lumora
