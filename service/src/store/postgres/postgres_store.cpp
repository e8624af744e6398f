#include "store/postgres/postgres_store.hpp"

#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <random>
#include <stdexcept>

#include "http/connection_limits.hpp"
#include "log.hpp"

namespace lumora {
namespace {

constexpr std::int64_t hour_ms = 3600 * 1000;
// Every thread that serves requests, the mail worker, the dead-man check and the presence
// refresh can hold one at once; past the wait a request is turned away rather than held.
constexpr std::size_t pool_size = http_event_threads + 4;
constexpr std::chrono::seconds pool_wait{2};
// An instance shows it runs by a row it refreshes; one that stopped refreshing (killed,
// its host without power) counts as gone once the row expires. The database's own
// clock times the rows, so the instances' clocks play no part.
// Rows live 15 s (in the SQL below), refreshed every 5 s.
constexpr std::chrono::seconds presence_refresh{5};

// Advisory locks are keyed (class, object); these classes keep ours apart from any other
// program's in the same database.
constexpr const char* service_lock_class = "1282764143";
constexpr const char* quota_lock_class = "1282764144";
constexpr const char* schema_lock = "1";
constexpr const char* startup_lock = "2";
constexpr const char* silence_check_lock = "4";

// Version 1, the first: every later version adds a step here and never edits an old one.
constexpr const char* schema_steps[] = {R"sql(
CREATE TABLE computers (
    address TEXT NOT NULL,
    computer_id INTEGER NOT NULL,
    monitoring BOOLEAN NOT NULL,
    last_heartbeat_ms BIGINT NOT NULL,
    silent BOOLEAN NOT NULL DEFAULT FALSE,
    PRIMARY KEY (address, computer_id)
);
CREATE INDEX computers_watched ON computers (last_heartbeat_ms) WHERE monitoring AND NOT silent;
CREATE TABLE mail_queue (
    id BIGSERIAL PRIMARY KEY,
    address TEXT NOT NULL,
    computer_id INTEGER NOT NULL,
    subject TEXT NOT NULL,
    body TEXT NOT NULL,
    created_ms BIGINT NOT NULL,
    attempts INTEGER NOT NULL DEFAULT 0,
    next_attempt_ms BIGINT NOT NULL,
    waiting_for_code BOOLEAN NOT NULL DEFAULT FALSE,
    claimed_by TEXT,
    claimed_until_ms BIGINT NOT NULL DEFAULT 0
);
CREATE INDEX mail_queue_due ON mail_queue (next_attempt_ms, id) WHERE NOT waiting_for_code;
CREATE INDEX mail_queue_computer ON mail_queue (address, computer_id);
CREATE INDEX mail_queue_created ON mail_queue (created_ms);
CREATE TABLE mail_quota (
    address TEXT NOT NULL,
    queued_ms BIGINT NOT NULL
);
CREATE INDEX mail_quota_address ON mail_quota (address, queued_ms);
)sql",
// Version 2: the verifier of the code that holds each computer and of each mail's code,
// and the key of the verifiers, which all instances share.
R"sql(
ALTER TABLE computers ADD COLUMN code_verifier TEXT;
ALTER TABLE mail_queue ADD COLUMN code_verifier TEXT;
CREATE TABLE lumora_secrets (name TEXT PRIMARY KEY, value TEXT NOT NULL);
)sql",
// Version 3: instances show they run by a row with an expiry instead of a session lock,
// which a host that lost power held until the server noticed.
R"sql(
CREATE TABLE instances (
    name TEXT PRIMARY KEY,
    alive_until TIMESTAMPTZ NOT NULL
);
)sql",
// Version 4: the idempotency keys of recent reminders, per computer.
R"sql(
CREATE TABLE reminder_keys (
    address TEXT NOT NULL,
    computer_id INTEGER NOT NULL,
    idempotency_key TEXT NOT NULL,
    queued_ms BIGINT NOT NULL,
    PRIMARY KEY (address, computer_id, idempotency_key)
);
)sql"};

PgParams lock_key(const char* object) { return PgParams().add(service_lock_class).add(object); }

// Instances starting together take turns, so no two of them upgrade at once.
void upgrade_schema(PgConnection& connection) {
    PgTransaction transaction(connection);
    connection.run("schema lock", "SELECT pg_advisory_xact_lock($1::int, $2::int)", lock_key(schema_lock));
    connection.run("schema version", "CREATE TABLE IF NOT EXISTS lumora_schema (version INTEGER NOT NULL)");
    const PgResult current = connection.run("schema version", "SELECT COALESCE(MAX(version), 0) FROM lumora_schema");
    const std::int64_t version = current.integer(0, 0);
    constexpr auto latest = static_cast<std::int64_t>(std::size(schema_steps));
    if (version > latest)
        throw std::runtime_error("database: schema version " + std::to_string(version) +
                                 " is newer than this service knows (" + std::to_string(latest) + ")");
    if (version == latest) return;
    for (auto step = version; step < latest; ++step) connection.run_script("schema upgrade", schema_steps[step]);
    connection.run("schema version", "DELETE FROM lumora_schema");
    connection.run("schema version", "INSERT INTO lumora_schema (version) VALUES ($1)", PgParams().add(latest));
    transaction.commit();
}

std::string new_instance_name() {
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    std::random_device random;
    return std::string(host) + ":" + std::to_string(getpid()) + ":" + std::to_string(random());
}

// The filter's computers as two parallel arrays for unnest().
PgParams& add_keys(PgParams& params, const std::vector<ComputerKey>& keys) {
    std::vector<std::string> addresses;
    std::vector<std::string> ids;
    for (const auto& key : keys) {
        addresses.push_back(key.address);
        ids.push_back(std::to_string(key.computer_id));
    }
    return params.add(pg_text_array(addresses)).add(pg_text_array(ids));
}

PgParams key_params(const ComputerKey& key) { return PgParams().add(key.address).add(key.computer_id); }

}  // namespace

PostgresStore::PostgresStore(const std::string& uri, std::chrono::milliseconds claim_lease)
    : instance_(new_instance_name()), claim_lease_(claim_lease), pool_(uri, pool_size, pool_wait) {
    upgrade_schema(*pool_.acquire());
}

// Leaves at once rather than when the row expires, so an instance started right after
// this one knows it is alone.
PostgresStore::~PostgresStore() {
    presence_refresher_ = {};
    try {
        pool_.acquire()->run("presence", "DELETE FROM instances WHERE name = $1", PgParams().add(instance_));
    } catch (const std::exception&) {
        // The database is away; the row expires by itself.
    }
}

void PostgresStore::refresh_presence(PgConnection& connection) {
    connection.run("presence",
                   "INSERT INTO instances (name, alive_until) VALUES ($1, now() + interval '15 seconds') "
                   "ON CONFLICT (name) DO UPDATE SET alive_until = EXCLUDED.alive_until",
                   PgParams().add(instance_));
}

std::optional<std::string> PostgresStore::code_verifier(const ComputerKey& key) {
    const PgResult row = pool_.acquire()->run(
        "code verifier", "SELECT code_verifier FROM computers WHERE address = $1 AND computer_id = $2",
        key_params(key));
    if (row.rows() == 0 || row.is_null(0, 0)) return std::nullopt;
    return row.text(0, 0);
}

void PostgresStore::bind_code(const ComputerKey& key, const std::string& verifier, TimePoint now) {
    auto connection = pool_.acquire();
    PgTransaction transaction(*connection);
    connection->run("bind code",
                    "INSERT INTO computers (address, computer_id, monitoring, last_heartbeat_ms, silent, code_verifier) "
                    "VALUES ($1, $2, FALSE, $3, FALSE, $4) ON CONFLICT (address, computer_id) DO UPDATE SET "
                    "code_verifier = EXCLUDED.code_verifier",
                    key_params(key).add(to_unix_ms(now)).add(verifier));
    connection->run("bind code",
                    "UPDATE mail_queue SET code_verifier = $3 "
                    "WHERE address = $1 AND computer_id = $2 AND code_verifier IS NULL",
                    key_params(key).add(verifier));
    transaction.commit();
}

std::optional<SilentComputer> PostgresStore::record_return(const ComputerKey& key, TimePoint now,
                                                         const FlagMail* mail) {
    auto connection = pool_.acquire();
    PgTransaction transaction(*connection);
    // The row lock makes a second instance hearing the same computer wait and then see
    // the flag cleared, so a return is reported once.
    const PgResult before = connection->run(
        "heartbeat",
        "SELECT silent, COALESCE(code_verifier, '') FROM computers WHERE address = $1 AND computer_id = $2 "
        "FOR UPDATE",
        key_params(key));
    std::optional<SilentComputer> returned;
    if (before.rows() > 0 && before.boolean(0, 0)) returned = SilentComputer{key, now, before.text(0, 1)};
    connection->run("heartbeat",
                    "INSERT INTO computers (address, computer_id, monitoring, last_heartbeat_ms, silent) "
                    "VALUES ($1, $2, TRUE, $3, FALSE) ON CONFLICT (address, computer_id) DO UPDATE SET "
                    "monitoring = TRUE, last_heartbeat_ms = EXCLUDED.last_heartbeat_ms, silent = FALSE",
                    key_params(key).add(to_unix_ms(now)));
    if (returned && mail)
        returned->admission = admit(*connection, key, mail->text(*returned), mail->verifier_for(*returned),
                                    mail->now, mail->quota, {});
    transaction.commit();
    return returned;
}

void PostgresStore::stop_monitoring(const ComputerKey& key) {
    pool_.acquire()->run("stop monitoring",
                         "UPDATE computers SET monitoring = FALSE, silent = FALSE "
                         "WHERE address = $1 AND computer_id = $2",
                         key_params(key));
}

bool PostgresStore::is_monitored(const ComputerKey& key) {
    const PgResult row = pool_.acquire()->run(
        "monitoring state", "SELECT monitoring FROM computers WHERE address = $1 AND computer_id = $2",
        key_params(key));
    return row.rows() > 0 && row.boolean(0, 0);
}

std::vector<SilentComputer> PostgresStore::take_newly_silent(TimePoint deadline, const FlagMail* mail) {
    auto connection = pool_.acquire();
    PgTransaction transaction(*connection);
    // One instance checks at a time; the others skip this round.
    const PgResult checker = connection->run(
        "silence check", "SELECT pg_try_advisory_xact_lock($1::int, $2::int)", lock_key(silence_check_lock));
    if (!checker.boolean(0, 0)) return {};
    const PgResult marked = connection->run(
        "silence check",
        "UPDATE computers SET silent = TRUE WHERE monitoring AND NOT silent AND last_heartbeat_ms < $1 "
        "RETURNING address, computer_id, last_heartbeat_ms, COALESCE(code_verifier, '')",
        PgParams().add(to_unix_ms(deadline)));
    std::vector<SilentComputer> silent;
    for (int row = 0; row < marked.rows(); ++row) {
        SilentComputer& computer = silent.emplace_back(SilentComputer{
            {marked.text(row, 0), static_cast<int>(marked.integer(row, 1))}, from_unix_ms(marked.integer(row, 2)),
            marked.text(row, 3)});
        if (mail)
            computer.admission =
                admit(*connection, computer.key, mail->text(computer), mail->verifier_for(computer), mail->now,
                      mail->quota, {});
    }
    transaction.commit();
    return silent;
}

// Instances starting together take turns under the start-up lock, held until the first
// of them has restarted the heartbeats: one that found another running leaves the grace
// alone, and none checks for silence against heartbeats from before an outage.
void PostgresStore::restart_heartbeats(TimePoint now) {
    auto connection = pool_.acquire();
    PgTransaction transaction(*connection);
    connection->run("startup lock", "SELECT pg_advisory_xact_lock($1::int, $2::int)", lock_key(startup_lock));
    const PgResult others = connection->run(
        "presence", "SELECT COUNT(*) FROM instances WHERE name <> $1 AND alive_until > now()", PgParams().add(instance_));
    if (others.integer(0, 0) == 0)
        connection->run("restart heartbeats",
                        "UPDATE computers SET last_heartbeat_ms = $1 WHERE monitoring AND NOT silent",
                        PgParams().add(to_unix_ms(now)));
    connection->run("presence", "DELETE FROM instances WHERE alive_until <= now()");
    refresh_presence(*connection);
    transaction.commit();
    if (presence_refresher_.joinable()) return;
    presence_refresher_ = std::jthread([this](std::stop_token stop) {
        std::mutex mutex;
        std::condition_variable_any sleeper;
        for (;;) {
            std::unique_lock lock(mutex);
            if (sleeper.wait_for(lock, stop, presence_refresh, [] { return false; }) || stop.stop_requested()) return;
            try {
                refresh_presence(*pool_.acquire());
            } catch (const std::exception& error) {
                log_line(std::string("presence: ") + error.what());
            }
        }
    });
}

void PostgresStore::clock_stepped(std::chrono::milliseconds step, TimePoint now) {
    auto connection = pool_.acquire();
    PgTransaction transaction(*connection);
    connection->run("clock step", "UPDATE computers SET last_heartbeat_ms = $1 WHERE monitoring AND NOT silent",
                    PgParams().add(to_unix_ms(now)));
    const PgParams shift = PgParams().add(static_cast<std::int64_t>(step.count()));
    connection->run("clock step",
                    "UPDATE mail_queue SET created_ms = created_ms + $1, next_attempt_ms = next_attempt_ms + $1",
                    shift);
    connection->run("clock step", "UPDATE mail_quota SET queued_ms = queued_ms + $1", shift);
    transaction.commit();
}

Admission PostgresStore::enqueue(const ComputerKey& key, const MailText& text, const std::string& code_verifier,
                                 TimePoint now, const Quota& quota, std::string_view idempotency_key) {
    auto connection = pool_.acquire();
    PgTransaction transaction(*connection);
    const Admission admission = admit(*connection, key, text, code_verifier, now, quota, idempotency_key);
    transaction.commit();
    return admission;
}

// Within the caller's transaction.
// Instances queueing for the same address take turns under its lock, so the quota and the
// idempotency keys hold across them.
Admission PostgresStore::admit(PgConnection& connection, const ComputerKey& key, const MailText& text,
                               const std::string& code_verifier, TimePoint now, const Quota& quota,
                               std::string_view idempotency_key) {
    const std::int64_t now_ms = to_unix_ms(now);
    connection.run("quota lock", "SELECT pg_advisory_xact_lock($1::int, hashtext($2))",
                   PgParams().add(quota_lock_class).add(key.address));
    if (!idempotency_key.empty()) {
        const PgResult seen = connection.run(
            "idempotency key",
            "WITH pruned AS (DELETE FROM reminder_keys WHERE address = $1 AND computer_id = $2 AND queued_ms <= $4) "
            "SELECT COUNT(*) FROM reminder_keys WHERE address = $1 AND computer_id = $2 AND idempotency_key = $3 "
            "AND queued_ms > $4",
            key_params(key).add(idempotency_key).add(to_unix_ms(now - idempotency_window)));
        if (seen.integer(0, 0) > 0) return Admission::repeated;
    }
    const PgResult counts = connection.run(
        "quota",
        "WITH pruned AS (DELETE FROM mail_quota WHERE address = $1 AND queued_ms <= $2) "
        "SELECT (SELECT COUNT(*) FROM mail_quota WHERE address = $1 AND queued_ms > $2), "
        "(SELECT COUNT(*) FROM mail_queue)",
        PgParams().add(key.address).add(now_ms - hour_ms));
    if (counts.integer(0, 0) >= quota.mails_per_address_per_hour) return Admission::over_quota;
    if (counts.integer(0, 1) >= quota.queue_capacity) return Admission::queue_full;
    connection.run("enqueue",
                   "WITH charge AS (INSERT INTO mail_quota (address, queued_ms) VALUES ($1, $5)) "
                   "INSERT INTO mail_queue (address, computer_id, subject, body, created_ms, next_attempt_ms, "
                   "code_verifier) VALUES ($1, $2, $3, $4, $5, $5, $6)",
                   key_params(key).add(text.subject).add(text.body).add(now_ms).add(code_verifier));
    if (!idempotency_key.empty())
        connection.run("idempotency key",
                       "INSERT INTO reminder_keys (address, computer_id, idempotency_key, queued_ms) "
                       "VALUES ($1, $2, $3, $4) ON CONFLICT (address, computer_id, idempotency_key) "
                       "DO UPDATE SET queued_ms = EXCLUDED.queued_ms",
                       key_params(key).add(idempotency_key).add(now_ms));
    return Admission::queued;
}

std::optional<QueuedMail> PostgresStore::next_due(TimePoint now, const MailFilter& only) {
    const std::int64_t now_ms = to_unix_ms(now);
    auto connection = pool_.acquire();
    PgParams params;
    params.add(instance_).add(now_ms).add(now_ms + claim_lease_.count());
    if (only) {
        // The filter runs here, over the few computers with mail due, rather than sending
        // every code-holding computer to the server.
        const PgResult due = connection->run(
            "due mail", "SELECT DISTINCT address, computer_id FROM mail_queue WHERE NOT waiting_for_code "
                        "AND next_attempt_ms <= $1 AND claimed_until_ms <= $1",
            PgParams().add(now_ms));
        std::vector<ComputerKey> allowed;
        for (int row = 0; row < due.rows(); ++row) {
            ComputerKey key{due.text(row, 0), static_cast<int>(due.integer(row, 1))};
            if (only(key)) allowed.push_back(std::move(key));
        }
        if (allowed.empty()) return std::nullopt;
        add_keys(params, allowed);
    }
    const PgResult row = connection->run(
        "claim mail",
        only ? "UPDATE mail_queue SET claimed_by = $1, claimed_until_ms = $3 WHERE id = ("
               "SELECT id FROM mail_queue WHERE NOT waiting_for_code AND next_attempt_ms <= $2 "
               "AND claimed_until_ms <= $2 "
               "AND (address, computer_id) IN (SELECT * FROM unnest($4::text[], $5::int[])) "
               "ORDER BY next_attempt_ms, id LIMIT 1 FOR UPDATE SKIP LOCKED) "
               "RETURNING id, address, computer_id, subject, body, created_ms, attempts, COALESCE(code_verifier, '')"
             : "UPDATE mail_queue SET claimed_by = $1, claimed_until_ms = $3 WHERE id = ("
               "SELECT id FROM mail_queue WHERE NOT waiting_for_code AND next_attempt_ms <= $2 "
               "AND claimed_until_ms <= $2 "
               "ORDER BY next_attempt_ms, id LIMIT 1 FOR UPDATE SKIP LOCKED) "
               "RETURNING id, address, computer_id, subject, body, created_ms, attempts, COALESCE(code_verifier, '')",
        params);
    if (row.rows() == 0) return std::nullopt;
    QueuedMail mail;
    mail.id = row.integer(0, 0);
    mail.key = {row.text(0, 1), static_cast<int>(row.integer(0, 2))};
    mail.text = {row.text(0, 3), row.text(0, 4)};
    mail.created = from_unix_ms(row.integer(0, 5));
    mail.attempts = static_cast<int>(row.integer(0, 6));
    mail.code_verifier = row.text(0, 7);
    return mail;
}

// Mail another instance holds is due for this one only when that claim lapses.
std::optional<TimePoint> PostgresStore::next_attempt_time(const MailFilter& only) {
    auto connection = pool_.acquire();
    if (!only) {
        const PgResult row = connection->run(
            "next due time",
            "SELECT MIN(GREATEST(next_attempt_ms, claimed_until_ms)) FROM mail_queue WHERE NOT waiting_for_code");
        if (row.is_null(0, 0)) return std::nullopt;
        return from_unix_ms(row.integer(0, 0));
    }
    const PgResult rows = connection->run(
        "next due time",
        "SELECT address, computer_id, MIN(GREATEST(next_attempt_ms, claimed_until_ms)) FROM mail_queue "
        "WHERE NOT waiting_for_code GROUP BY address, computer_id");
    std::optional<std::int64_t> earliest;
    for (int row = 0; row < rows.rows(); ++row)
        if (only({rows.text(row, 0), static_cast<int>(rows.integer(row, 1))}))
            earliest = std::min(earliest.value_or(rows.integer(row, 2)), rows.integer(row, 2));
    if (!earliest) return std::nullopt;
    return from_unix_ms(*earliest);
}

void PostgresStore::remove(std::int64_t id) {
    pool_.acquire()->run("remove mail", "DELETE FROM mail_queue WHERE id = $1", PgParams().add(id));
}

// Only the claim's holder may put mail back; one whose claim lapsed and was taken over
// leaves it to the new holder.
void PostgresStore::reschedule(std::int64_t id, int attempts, TimePoint at) {
    pool_.acquire()->run("reschedule mail",
                         "UPDATE mail_queue SET attempts = $2, next_attempt_ms = $3, claimed_by = NULL, "
                         "claimed_until_ms = 0 WHERE id = $1 AND claimed_by = $4",
                         PgParams().add(id).add(attempts).add(to_unix_ms(at)).add(instance_));
}

void PostgresStore::park_until_code(std::int64_t id) {
    pool_.acquire()->run("park mail",
                         "UPDATE mail_queue SET waiting_for_code = TRUE, claimed_by = NULL, claimed_until_ms = 0 "
                         "WHERE id = $1 AND claimed_by = $2",
                         PgParams().add(id).add(instance_));
}

int PostgresStore::unpark(const ComputerKey& key, const std::string& code_verifier, TimePoint now) {
    return pool_.acquire()
        ->run("unpark mail",
              "UPDATE mail_queue SET waiting_for_code = FALSE, next_attempt_ms = LEAST(next_attempt_ms, $3) "
              "WHERE address = $1 AND computer_id = $2 AND waiting_for_code AND code_verifier = $4",
              key_params(key).add(to_unix_ms(now)).add(code_verifier))
        .affected();
}

int PostgresStore::pending_for(const ComputerKey& key) {
    return static_cast<int>(
        pool_.acquire()
            ->run("pending mail", "SELECT COUNT(*) FROM mail_queue WHERE address = $1 AND computer_id = $2",
                  key_params(key))
            .integer(0, 0));
}

int PostgresStore::drop_created_before(TimePoint cutoff) {
    return pool_.acquire()
        ->run("drop expired mail", "DELETE FROM mail_queue WHERE created_ms < $1", PgParams().add(to_unix_ms(cutoff)))
        .affected();
}

std::string PostgresStore::code_key(const std::string& fresh) {
    auto connection = pool_.acquire();
    connection->run("code key", "INSERT INTO lumora_secrets (name, value) VALUES ('code_key', $1) ON CONFLICT DO NOTHING",
                    PgParams().add(fresh));
    return connection->run("code key", "SELECT value FROM lumora_secrets WHERE name = 'code_key'").text(0, 0);
}

int PostgresStore::queued() {
    return static_cast<int>(pool_.acquire()->run("queued mail", "SELECT COUNT(*) FROM mail_queue").integer(0, 0));
}

}  // namespace lumora
