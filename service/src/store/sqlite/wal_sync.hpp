#pragma once

#include <string>

namespace lumora {

// Puts on disk the commits SQLite made without a sync (write-ahead log with
// synchronous=NORMAL): a sync of the log file covers every commit written before it.
// Used by one thread at a time.
class WalSync {
public:
    // `database` is the SQLite file; its log is "<database>-wal".
    explicit WalSync(const std::string& database);
    ~WalSync();
    WalSync(const WalSync&) = delete;
    WalSync& operator=(const WalSync&) = delete;

    // Throws when the sync fails.
    void sync();

private:
    const std::string log_path_;
    int fd_ = -1;  // opened by the first sync
};

}  // namespace lumora
