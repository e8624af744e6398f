#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <thread>

#include "http/http_frontend.hpp"
#include "log.hpp"
#include "options.hpp"
#include "outbox_transport.hpp"
#include "store/open_store.hpp"
#include "clock_watch.hpp"
#include "seams/seams.hpp"
#include "stop_deadline.hpp"
#include "store/sqlite/db_lock.hpp"
#include "trust/wipe.hpp"

namespace {

using namespace lumora;

// Room for a burst of connections arriving faster than they are accepted.
constexpr int listen_backlog = 1024;
// Longest an orderly stop may take before the process ends regardless.
constexpr std::chrono::seconds stop_limit{5};
// A wall clock that moves this much against the monotonic one has been stepped; NTP's
// slewing stays far below it.
constexpr std::chrono::seconds clock_step_tolerance{2};

// Blocked in every thread and taken by sigwait() in main, so no handler and no global
// flag are needed. SIGHUP rereads the TLS certificate.
sigset_t block_stop_signals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    signal(SIGPIPE, SIG_IGN);
    return set;
}

// The process holds authorisation codes: no core file may write them to disk and no other
// process of the same user may read its memory. Every file it creates (the database, its
// log and lock, the key) is its owner's alone.
void keep_secrets_in_memory() {
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
    const rlimit no_core{0, 0};
    setrlimit(RLIMIT_CORE, &no_core);
    umask(077);
}

// Files an older version created before the umask above may be readable by others.
void restrict_to_owner(const std::filesystem::path& database) {
    for (const char* suffix : {"", "-wal", "-shm", ".lock"}) chmod((database.string() + suffix).c_str(), 0600);
}

// Every connection takes a descriptor: leave room for the cap on connections plus the
// database, the mail connection and the log.
void raise_open_file_limit(const ConnectionLimits& connections) {
    constexpr rlim_t spare = 64;
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return;
    const rlim_t wanted = std::min<rlim_t>(limit.rlim_max, connections.total + spare);
    if (limit.rlim_cur >= wanted) return;
    limit.rlim_cur = wanted;
    setrlimit(RLIMIT_NOFILE, &limit);
}

std::unique_ptr<MailTransport> make_transport(const Options& options) {
    if (options.transport == TransportKind::outbox) return std::make_unique<OutboxTransport>(options.outbox);
    return std::make_unique<SmtpTransport>(options.smtp);
}

const char* security_name(SmtpSecurity security) {
    switch (security) {
        case SmtpSecurity::tls: return "tls";
        case SmtpSecurity::starttls: return "starttls";
        case SmtpSecurity::plain: return "plain";
    }
    return "unknown";
}

std::string transport_text(const Options& options) {
    if (options.transport == TransportKind::outbox) return "mail goes to the outbox folder " + options.outbox.string();
    return "mail goes through " + options.smtp.server.text() + " (" + security_name(options.smtp.security) + ")";
}

// Waits for SIGINT or SIGTERM; a SIGHUP before it reloads the certificate, or keeps the
// loaded one and says why.
int wait_for_stop(const sigset_t& signals, TlsCredentials* tls) {
    for (;;) {
        int signal_number = 0;
        sigwait(&signals, &signal_number);
        if (signal_number != SIGHUP) return signal_number;
        if (!tls) {
            log_line("SIGHUP: nothing to reload without --tls-cert");
            continue;
        }
        try {
            tls->reload();
            log_line("SIGHUP: TLS reloaded; " + tls->summary());
        } catch (const std::exception& error) {
            log_line(std::string("SIGHUP: TLS reload failed, keeping the loaded certificate: ") + error.what());
        }
    }
}

int run(const Options& options) {
    keep_secrets_in_memory();
    const sigset_t stop_signals = block_stop_signals();
    const CurlLibrary curl;
    const Seams seams = make_seams();
    ClockWatch clock_watch(seams.wall_clock, clock_step_tolerance);
    const ClockFn clock = [&clock_watch] { return clock_watch.now(); };

    // Both before the database is touched, so a second copy changes nothing. A shared
    // PostgreSQL database is meant for several instances, so only a SQLite file is locked.
    std::optional<DatabaseLock> database_lock;
    if (!names_shared_database(options.database.string())) {
        database_lock.emplace(options.database);
        restrict_to_owner(options.database);
    }
    ListenSocket listener(options.listen, listen_backlog);
    raise_open_file_limit(options.connections);
    std::optional<TlsCredentials> tls;
    if (options.tls.given()) tls.emplace(options.tls);

    std::unique_ptr<Store> database = open_store(options.database.string(), options.claim_lease);
    std::string code_key = open_code_key(options.database.string(), *database, options.code_key);
    const CodeVerifier verifier(code_key);
    wipe(code_key);
    const std::unique_ptr<Store> opened = seams.wrap_store(std::move(database));
    Store& store = *opened;
    clock_watch.on_step([&store](std::chrono::milliseconds step, TimePoint now) {
        log_line("the wall clock stepped by " + std::to_string(step.count()) +
                 " ms; every grace starts again and queued mail keeps its waits");
        store.clock_stepped(step, now);
    });
    store.restart_heartbeats(clock());
    CredentialVault vault;
    const std::unique_ptr<MailTransport> transport = make_transport(options);
    MailWorker worker(store, vault, *transport, options.retry, clock);
    MailQueue queue(store, Quota{.mails_per_address_per_hour = options.rate_limit}, [&worker] { worker.wake(); });
    DeadmanSwitch deadman(store, queue, options.heartbeat_grace, clock);
    CodeGate gate(store, *transport, verifier, options.gate, clock);
    ReminderService service({options.domain, options.min_version, options.tips_file}, store, vault, queue, deadman,
                            gate, clock);
    std::jthread worker_thread([&worker](std::stop_token stop) { worker.run(stop); });
    std::jthread deadman_thread([&deadman](std::stop_token stop) { deadman.run(stop); });
    std::optional<StopDeadline> stop_deadline;
    {
        const int port = listener.port();
        const HttpFrontend http(service, std::move(listener), options.connections, tls ? &*tls : nullptr,
                                options.trusted_proxies);
        log_line("listening on " + Endpoint{options.listen.host, port}.text() +
                 (tls ? "; HTTPS only, " + tls->summary() : "") + "; " + transport_text(options) + "; " +
                 std::to_string(store.queued()) + " mail(s) queued");
        const int signal_number = wait_for_stop(stop_signals, tls ? &*tls : nullptr);
        log_line("stopping on signal " + std::to_string(signal_number));
        stop_deadline.emplace(stop_limit);
        worker_thread.request_stop();
        deadman_thread.request_stop();
    }
    deadman_thread.join();
    worker_thread.join();
    log_line("stopped; " + std::to_string(store.queued()) + " mail(s) stay queued");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    if (asks_for_help(args)) {
        std::fputs(usage_text().c_str(), stdout);
        return 0;
    }
    try {
        return run(parse_options(args));
    } catch (const UsageError& error) {
        std::fprintf(stderr, "lumora-service: %s\n\n%s", error.what(), usage_text().c_str());
        return 2;
    } catch (const std::exception& error) {
        log_line(std::string("lumora-service cannot run: ") + error.what());
        return 1;
    }
}
