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

// SQLite keeps the log file while its connection is open, so one descriptor stays good;
// fdatasync on it flushes what the connection wrote through its own.
void WalSync::sync() {
    if (log_path_.empty()) return;
    if (fd_ < 0) fd_ = open(log_path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0 || fdatasync(fd_) != 0)
        throw std::runtime_error("database: cannot sync " + log_path_ + ": " + std::strerror(errno));
}

}  // namespace lumora
