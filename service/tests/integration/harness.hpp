#pragma once

#include <httplib.h>
#include <signal.h>
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "computer_key.hpp"

namespace lumora::testing {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Polls until the condition holds or the time is up; every wait in these tests is bounded.
bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 10s);

std::string read_file(const fs::path& path);

// A loopback port that was free a moment ago, for a server that must come back on it.
int free_loopback_port();

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

struct Account {
    uid_t uid;
    gid_t gid;
};

// A child program whose standard output and error are appended to a file; it runs under
// `account` when given (which takes a root test run). It is killed should the thread that
// started it end first, so start long-lived ones from the test's main thread.
class ChildProcess {
public:
    ChildProcess(const std::vector<std::string>& argv, const fs::path& output,
                 std::optional<Account> account = std::nullopt);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The signal, then SIGKILL if it has not ended within the timeout. Returns the exit
    // status, or -1 when it had to be killed or died from a signal.
    int terminate(std::chrono::milliseconds timeout = 10s, int signal = SIGTERM);
    // Waits for it to end by itself; the exit status, or -1 (killed after the timeout).
    int wait(std::chrono::milliseconds timeout);
    // SIGKILL, as a crash would end it.
    void kill_now();
    void send_signal(int signal) const;
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
};

// Waits for "listening on ...:PORT" written after `offset` in the file; 0 on time-out.
int wait_for_listening_port(const fs::path& output, std::size_t offset);

// lumora-service on a free loopback port with its database, tips file and log in `dir`.
// Restarting with the same dir keeps the database and appends to the log.
class ServiceProcess {
public:
    // `binary` may name the test build with seams instead of the shipped one.
    ServiceProcess(const fs::path& dir, const std::vector<std::string>& flags,
                   const std::string& binary = LUMORA_SERVICE_BINARY);

    int port() const { return port_; }
    pid_t pid() const { return process_.pid(); }
    httplib::Result post(const std::string& target) const;
    httplib::Result get(const std::string& target) const;
    int stop() { return process_.terminate(); }
    void crash() { process_.kill_now(); }
    void send_signal(int signal) const { process_.send_signal(signal); }
    std::string log() const { return read_file(log_path_); }

private:
    fs::path log_path_;
    std::size_t log_offset_;
    ChildProcess process_;
    int port_;
};

// A plain TCP connection to a loopback port, for requests an HTTP client library would
// not send: other methods, chunked bodies, a head sent a byte at a time.
class RawConnection {
public:
    // From `source`, another loopback address, to stand for a second client.
    explicit RawConnection(int port, const std::string& source = "127.0.0.1");
    ~RawConnection();
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    // False once the peer has closed or reset the connection.
    bool send(std::string_view bytes);
    // One whole reply, head and Content-Length body; empty when the connection ends or
    // the time is up first.
    std::string reply(std::chrono::milliseconds timeout = 5s) { return next_reply(true, timeout); }
    // The reply to HEAD: its Content-Length announces a body that never comes.
    std::string reply_to_head(std::chrono::milliseconds timeout = 5s) { return next_reply(false, timeout); }
    // True when the peer closes the connection within the time, sending nothing more.
    bool closed_by_peer(std::chrono::milliseconds timeout = 5s);

private:
    std::string next_reply(bool with_body, std::chrono::milliseconds timeout);
    // Appends what arrives within the time; false at the end of the stream.
    bool receive(std::chrono::milliseconds timeout);

    int fd_;
    std::string received_;
};

// The status code of a raw reply, 0 when there is none.
int status_of(const std::string& reply);

struct ReceivedMail {
    std::map<std::string, std::string> fields;
    std::string body;
};

struct SmtpLogin {
    std::string address;
    std::string code;
    bool accepted = false;
};

// A real SMTP server (aiosmtpd) on loopback that records what it receives; `options`
// are smtp_sink.py's own (its TLS, its scripted replies). Like a mailbox it accepts one
// code per address: the one set for it, else the first it sees. Sinks started on the
// same dir share their codes and their record of logins.
class SmtpSink {
public:
    SmtpSink(const fs::path& dir, int port = 0, const std::vector<std::string>& options = {});

    int port() const { return port_; }
    std::vector<ReceivedMail> mails() const;
    std::vector<SmtpLogin> logins() const;
    // The code the address's mailbox accepts from now on.
    void set_code(const std::string& address, const std::string& code) const;

private:
    fs::path mail_dir_;
    fs::path codes_;
    fs::path logins_;
    fs::path output_;
    std::size_t output_offset_;
    ChildProcess process_;
    int port_;
};

// Gives the computer to the code in the database a ServiceProcess on `dir` uses, before it
// starts, as an earlier run whose mail server accepted the code would have: the computer
// can then be used while no mail server answers.
struct BoundBeforeStart {
    BoundBeforeStart(const fs::path& dir, const ComputerKey& computer, const std::string& code);
};

// Flags that send mail to a sink (or a closed port) without TLS and retry quickly.
std::vector<std::string> smtp_flags(int port);

std::size_t count_of(const std::string& text, const std::string& needle);

}  // namespace lumora::testing
