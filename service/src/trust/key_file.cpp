#include "trust/key_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "trust/code_verifier.hpp"
#include "trust/wipe.hpp"

namespace lumora {
namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

std::runtime_error failure(const std::filesystem::path& path, const std::string& what) {
    return std::runtime_error("key file " + path.string() + ": " + what);
}

// A key file holds the key and at most a line break: a few bytes more than that are
// enough to tell a wrong file.
constexpr std::size_t max_file_bytes = 2 * CodeVerifier::key_bytes + 2;

std::string read_key(const std::filesystem::path& path, const FileDescriptor& file) {
    struct stat status {};
    if (fstat(file.get(), &status) != 0) throw failure(path, std::strerror(errno));
    if (!S_ISREG(status.st_mode)) throw failure(path, "not a regular file");
    if ((status.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        throw failure(path, "others may read it; make it readable by its owner only (chmod 600)");
    std::string key(max_file_bytes, '\0');
    WipeOnExit wipe_buffer(key);
    const ssize_t got = ::read(file.get(), key.data(), key.size());
    if (got < 0) throw failure(path, std::strerror(errno));
    key.resize(static_cast<std::size_t>(got));
    while (!key.empty() && (key.back() == '\n' || key.back() == '\r')) key.pop_back();
    CodeVerifier check(key);  // throws for anything but a key
    return std::string(key);
}

}  // namespace

std::string read_or_create_key_file(const std::filesystem::path& path) {
    // Two instances starting at once: one creates it, the other finds it.
    const FileDescriptor created(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (created.get() >= 0) {
        std::string key = new_code_key();
        WipeOnExit wipe_key(key);
        std::string written = key + "\n";
        WipeOnExit wipe_line(written);
        if (::write(created.get(), written.data(), written.size()) != static_cast<ssize_t>(written.size()) ||
            ::fsync(created.get()) != 0) {
            ::unlink(path.c_str());
            throw failure(path, "cannot write it");
        }
        return std::string(key);
    }
    if (errno != EEXIST) throw failure(path, std::strerror(errno));
    const FileDescriptor existing(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (existing.get() < 0) throw failure(path, std::strerror(errno));
    return read_key(path, existing);
}

}  // namespace lumora
