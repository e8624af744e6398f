#include "harness.hpp"

#include <arpa/inet.h>
#include <fcntl.h>
#include <grp.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "store/sqlite/sqlite_store.hpp"
#include "trust/code_verifier.hpp"
#include "trust/key_file.hpp"

namespace lumora::testing {
namespace {

std::size_t file_size_or_zero(const fs::path& path) {
    std::error_code error;
    const auto size = fs::file_size(path, error);
    return error ? 0 : static_cast<std::size_t>(size);
}

httplib::Client client_for(int port) {
    httplib::Client client("127.0.0.1", port);
    client.set_url_encode(false);  // send the target byte for byte, as the desktop client does
    client.set_connection_timeout(5);
    client.set_read_timeout(5);
    return client;
}

struct Socket {
    int fd;
    ~Socket() { ::close(fd); }
};

}  // namespace

bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (condition()) return true;
        std::this_thread::sleep_for(20ms);
    }
    return condition();
}

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int free_loopback_port() {
    const Socket socket{::socket(AF_INET, SOCK_STREAM, 0)};
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(socket.fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(socket.fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("no free loopback port");
    return ntohs(address.sin_port);
}

TempDir::TempDir() {
    std::random_device random;
    path_ = fs::temp_directory_path() / ("lumora-service-test-" + std::to_string(random()));
    fs::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const fs::path& output,
                           std::optional<Account> account) {
    std::vector<char*> args;
    for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        const int out = open(output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        const int in = open("/dev/null", O_RDONLY);
        dup2(in, 0);
        dup2(out, 1);
        dup2(out, 2);
        if (account && (setgroups(0, nullptr) != 0 || setgid(account->gid) != 0 || setuid(account->uid) != 0))
            _exit(126);
        // A test that crashes leaves no servers behind; set after the account change,
        // which clears it.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        execv(args[0], args.data());
        _exit(127);
    }
}

ChildProcess::~ChildProcess() { terminate(); }

int ChildProcess::terminate(std::chrono::milliseconds timeout, int signal) {
    if (pid_ <= 0) return -1;
    kill(pid_, signal);
    return wait(timeout);
}

void ChildProcess::kill_now() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

void ChildProcess::send_signal(int signal) const {
    if (pid_ > 0) kill(pid_, signal);
}

int ChildProcess::wait(std::chrono::milliseconds timeout) {
    if (pid_ <= 0) return -1;
    int status = 0;
    const bool ended = eventually([&] { return waitpid(pid_, &status, WNOHANG) == pid_; }, timeout);
    if (!ended) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
    }
    pid_ = -1;
    return ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int wait_for_listening_port(const fs::path& output, std::size_t offset) {
    const std::string marker = "listening on ";
    int port = 0;
    eventually([&] {
        const std::string text = read_file(output);
        const std::size_t at = text.find(marker, std::min(offset, text.size()));
        if (at == std::string::npos) return false;
        const std::size_t line_end = text.find_first_of(";\n", at);
        if (line_end == std::string::npos) return false;
        const std::string address = text.substr(at + marker.size(), line_end - at - marker.size());
        port = std::stoi(address.substr(address.rfind(':') + 1));
        return true;
    });
    return port;
}

ServiceProcess::ServiceProcess(const fs::path& dir, const std::vector<std::string>& flags, const std::string& binary)
    : log_path_(dir / "service.log"),
      log_offset_(file_size_or_zero(log_path_)),
      process_(
          [&] {
              std::vector<std::string> argv = {binary, "--listen", "127.0.0.1:0",
                                               "--db",                (dir / "service.db").string(),
                                               "--tips",              (dir / "tips.txt").string()};
              argv.insert(argv.end(), flags.begin(), flags.end());
              return argv;
          }(),
          log_path_),
      port_(wait_for_listening_port(log_path_, log_offset_)) {
    if (port_ == 0) throw std::runtime_error("lumora-service did not start:\n" + log());
}

httplib::Result ServiceProcess::post(const std::string& target) const {
    return client_for(port_).Post(target.c_str(), "", "text/xml; charset=UTF-8");
}

httplib::Result ServiceProcess::get(const std::string& target) const { return client_for(port_).Get(target.c_str()); }

SmtpSink::SmtpSink(const fs::path& dir, int port, const std::vector<std::string>& options)
    : mail_dir_(dir / "received"),
      codes_(dir / "smtp-codes.txt"),
      logins_(dir / "smtp-logins.txt"),
      output_(dir / "sink.out"),
      output_offset_(file_size_or_zero(output_)),
      process_(
          [&] {
              std::vector<std::string> argv = {LUMORA_TEST_PYTHON, LUMORA_SMTP_SINK, "--port", std::to_string(port),
                                               "--dir", mail_dir_.string(), "--codes", codes_.string(),
                                               "--logins", logins_.string()};
              argv.insert(argv.end(), options.begin(), options.end());
              return argv;
          }(),
          output_),
      port_(wait_for_listening_port(output_, output_offset_)) {
    if (port_ == 0) throw std::runtime_error("SMTP sink did not start:\n" + read_file(output_));
}

std::vector<ReceivedMail> SmtpSink::mails() const {
    std::vector<fs::path> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(mail_dir_, error))
        if (entry.path().extension() == ".txt") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    std::vector<ReceivedMail> mails;
    for (const auto& file : files) {
        const std::string text = read_file(file);
        const std::size_t split = text.find("\n\n");
        ReceivedMail mail;
        mail.body = text.substr(split + 2);
        std::size_t start = 0;
        while (start < split) {
            const std::size_t end = text.find('\n', start);
            const std::string line = text.substr(start, end - start);
            const std::size_t colon = line.find(": ");
            mail.fields[line.substr(0, colon)] = line.substr(colon + 2);
            start = end + 1;
        }
        mails.push_back(std::move(mail));
    }
    return mails;
}

std::vector<SmtpLogin> SmtpSink::logins() const {
    std::vector<SmtpLogin> logins;
    std::istringstream lines(read_file(logins_));
    SmtpLogin login;
    std::string verdict;
    while (lines >> login.address >> login.code >> verdict) {
        login.accepted = verdict == "accepted";
        logins.push_back(login);
    }
    return logins;
}

// Written aside and renamed, so the sink never reads half a file.
void SmtpSink::set_code(const std::string& address, const std::string& code) const {
    std::istringstream lines(read_file(codes_));
    std::string text;
    for (std::string listed, listed_code; lines >> listed >> listed_code;)
        if (listed != address) text += listed + " " + listed_code + "\n";
    text += address + " " + code + "\n";
    const fs::path partial = codes_.string() + ".part";
    std::ofstream(partial) << text;
    fs::rename(partial, codes_);
}

RawConnection::RawConnection(int port, const std::string& source)
    : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in from{};
    from.sin_family = AF_INET;
    if (fd_ < 0 || inet_pton(AF_INET, source.c_str(), &from.sin_addr) != 1 ||
        ::bind(fd_, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0)
        throw std::runtime_error("cannot connect from " + source);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd_ < 0 || ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        throw std::runtime_error("cannot connect to port " + std::to_string(port));
}

RawConnection::~RawConnection() { ::close(fd_); }

bool RawConnection::send(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

bool RawConnection::receive(std::chrono::milliseconds timeout) {
    pollfd ready{fd_, POLLIN, 0};
    if (::poll(&ready, 1, static_cast<int>(timeout.count())) <= 0) return true;
    char buffer[4096];
    const ssize_t got = ::recv(fd_, buffer, sizeof buffer, 0);
    if (got <= 0) return false;
    received_.append(buffer, static_cast<std::size_t>(got));
    return true;
}

std::string RawConnection::next_reply(bool with_body, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        const std::size_t head_end = received_.find("\r\n\r\n");
        if (head_end != std::string::npos) {
            const std::string head = received_.substr(0, head_end);
            const std::size_t length_at = head.find("Content-Length: ");
            const std::size_t length =
                length_at == std::string::npos || !with_body ? 0 : std::stoul(head.substr(length_at + 16));
            if (received_.size() >= head_end + 4 + length) {
                std::string whole = received_.substr(0, head_end + 4 + length);
                received_.erase(0, whole.size());
                return whole;
            }
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (!receive(std::max(left, 1ms))) break;
    }
    return {};
}

bool RawConnection::closed_by_peer(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    const std::size_t before = received_.size();
    while (std::chrono::steady_clock::now() < deadline)
        if (!receive(10ms)) return received_.size() == before;
    return false;
}

int status_of(const std::string& reply) {
    return reply.starts_with("HTTP/1.1 ") && reply.size() >= 12 ? std::stoi(reply.substr(9, 3)) : 0;
}

BoundBeforeStart::BoundBeforeStart(const fs::path& dir, const ComputerKey& computer, const std::string& code) {
    const fs::path database = dir / "service.db";
    const CodeVerifier verifier(read_or_create_key_file(database.string() + ".key"));
    SqliteStore(database.string()).bind_code(computer, verifier.of(computer, code), std::chrono::system_clock::now());
}

std::vector<std::string> smtp_flags(int port) {
    return {"--smtp-server", "127.0.0.1:" + std::to_string(port), "--smtp-security", "plain", "--retry-first",
            "100ms",         "--retry-max",  "300ms"};
}

std::size_t count_of(const std::string& text, const std::string& needle) {
    std::size_t count = 0;
    for (std::size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + needle.size()))
        ++count;
    return count;
}

}  // namespace lumora::testing
