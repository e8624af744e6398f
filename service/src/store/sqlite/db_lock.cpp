#include "store/sqlite/db_lock.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace lumora {

DatabaseLock::DatabaseLock(const std::filesystem::path& database) {
    const std::string lock_path = database.string() + ".lock";
    fd_ = open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0)
        throw std::runtime_error("cannot create the lock file " + lock_path + ": " + std::strerror(errno));
    if (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        close(fd_);
        if (error == EWOULDBLOCK)
            throw std::runtime_error("the database " + database.string() + " is in use by another lumora-service");
        throw std::runtime_error("cannot lock the database " + database.string() + ": " + std::strerror(error));
    }
}

DatabaseLock::~DatabaseLock() { close(fd_); }

}  // namespace lumora
