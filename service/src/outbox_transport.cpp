#include "outbox_transport.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string_view>

#include "time_text.hpp"

namespace lumora {
namespace {

std::string file_stem(const OutgoingMail& mail) {
    std::string stamp = local_time_text(Clock::now());
    for (char& c : stamp)
        if (c == ' ' || c == ':') c = c == ' ' ? '-' : '.';
    return stamp + "-" + std::to_string(mail.id);
}

struct Descriptor {
    int fd;
    explicit Descriptor(int opened) : fd(opened) {}
    ~Descriptor() {
        if (fd >= 0) close(fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
};

// Empty on success, else why not; a partial file is removed.
std::string write_synced(const std::filesystem::path& path, std::string_view bytes) {
    const Descriptor file(open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (file.fd < 0) return "cannot create " + path.string() + ": " + std::strerror(errno);
    while (!bytes.empty()) {
        const ssize_t written = write(file.fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) break;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    if (!bytes.empty() || fsync(file.fd) != 0) {
        const std::string failure = "cannot write " + path.string() + ": " + std::strerror(errno);
        unlink(path.c_str());
        return failure;
    }
    return {};
}

}  // namespace

OutboxTransport::OutboxTransport(std::filesystem::path folder) : folder_(std::move(folder)) {
    std::error_code error;
    std::filesystem::create_directories(folder_, error);
    if (error || !std::filesystem::is_directory(folder_))
        throw std::runtime_error("cannot use outbox folder " + folder_.string());
}

// Written under a temporary name and renamed, so a reader never sees half a mail. The
// file and then the folder are synced before the mail counts as sent, since the worker
// then takes it off the queue: a power cut must leave it in one place or the other.
SendResult OutboxTransport::send(const OutgoingMail& mail, const std::string&, std::stop_token) {
    const std::string stem = file_stem(mail);
    const auto partial = folder_ / (stem + ".part");
    const auto final_path = folder_ / (stem + ".eml");
    if (const std::string failure = write_synced(partial, mail.message); !failure.empty())
        return {Delivery::retry, failure};
    std::error_code error;
    std::filesystem::rename(partial, final_path, error);
    if (error) return {Delivery::retry, "cannot rename into " + final_path.string() + ": " + error.message()};
    const Descriptor folder(open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.fd < 0 || fsync(folder.fd) != 0)
        return {Delivery::retry, "cannot sync the folder " + folder_.string() + ": " + std::strerror(errno)};
    return {Delivery::sent, final_path.string()};
}

}  // namespace lumora
