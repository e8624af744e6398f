#pragma once

#include <filesystem>

namespace lumora {

// Keeps every other copy of the service off one database file while this one runs, so
// two copies never send the same queue. The lock is an flock on "<database>.lock": the
// kernel drops it when the process ends, however it ends, so a crash never leaves the
// database locked.
class DatabaseLock {
public:
    // Throws std::runtime_error naming the database when another process holds it.
    explicit DatabaseLock(const std::filesystem::path& database);
    ~DatabaseLock();
    DatabaseLock(const DatabaseLock&) = delete;
    DatabaseLock& operator=(const DatabaseLock&) = delete;

private:
    int fd_ = -1;
};

}  // namespace lumora
