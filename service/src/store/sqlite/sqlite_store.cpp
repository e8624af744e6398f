#include "store/sqlite/sqlite_store.hpp"

#include <algorithm>
#include <cstdint>
#include <stdexcept>

namespace lumora {
namespace {

constexpr std::int64_t hour_ms = 3600 * 1000;

// Version 1, the first: every later version adds a step here and never edits an old one.
constexpr const char* schema_steps[] = {R"sql(
CREATE TABLE IF NOT EXISTS computers (
    address TEXT NOT NULL,
    computer_id INTEGER NOT NULL,
    monitoring INTEGER NOT NULL,
    last_heartbeat_ms INTEGER NOT NULL,
    silent INTEGER NOT NULL DEFAULT 0,
    PRIMARY KEY (address, computer_id)
);
CREATE TABLE IF NOT EXISTS mail_queue (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    address TEXT NOT NULL,
    computer_id INTEGER NOT NULL,
    subject TEXT NOT NULL,
    body TEXT NOT NULL,
    created_ms INTEGER NOT NULL,
    attempts INTEGER NOT NULL DEFAULT 0,
    next_attempt_ms INTEGER NOT NULL,
    waiting_for_code INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX IF NOT EXISTS mail_queue_due ON mail_queue (waiting_for_code, next_attempt_ms);
CREATE TABLE IF NOT EXISTS mail_quota (
    address TEXT NOT NULL,
    queued_ms INTEGER NOT NULL
);
CREATE INDEX IF NOT EXISTS mail_quota_address ON mail_quota (address, queued_ms);)sql",
// Version 2: the quota's pruning, the dropping of expired mail and the count of a
// computer's mail each read a whole table without these.
R"sql(
CREATE INDEX mail_quota_time ON mail_quota (queued_ms);
CREATE INDEX mail_queue_created ON mail_queue (created_ms);
CREATE INDEX mail_queue_computer ON mail_queue (address, computer_id);)sql",
// Version 3: the verifier of the code that holds each computer and of each mail's code;
// the silence check reads only the watched computers' index.
R"sql(
ALTER TABLE computers ADD COLUMN code_verifier TEXT;
ALTER TABLE mail_queue ADD COLUMN code_verifier TEXT;
CREATE INDEX computers_watched ON computers (last_heartbeat_ms) WHERE monitoring = 1 AND silent = 0;)sql",
// Version 4: the idempotency keys of recent reminders, per computer.
R"sql(
CREATE TABLE reminder_keys (
    address TEXT NOT NULL,
    computer_id INTEGER NOT NULL,
    idempotency_key TEXT NOT NULL,
    queued_ms INTEGER NOT NULL,
    PRIMARY KEY (address, computer_id, idempotency_key)
);
CREATE INDEX reminder_keys_time ON reminder_keys (queued_ms);)sql"};

int count(Statement& statement) {
    statement.step();
    return static_cast<int>(statement.integer(0));
}

// A file from before schema versions has version 0 and today's tables, which the first
// step's IF NOT EXISTS leaves as they are.
void upgrade_schema(Database& db) {
    Transaction transaction(db);
    const std::int64_t version = [&db] {
        Statement read(db, "PRAGMA user_version");
        read.step();
        return read.integer(0);
    }();
    constexpr auto latest = static_cast<std::int64_t>(std::size(schema_steps));
    if (version > latest)
        throw std::runtime_error("database: schema version " + std::to_string(version) +
                                 " is newer than this service knows (" + std::to_string(latest) + ")");
    for (auto step = version; step < latest; ++step) db.exec(schema_steps[step], "schema upgrade");
    db.exec(("PRAGMA user_version = " + std::to_string(latest)).c_str(), "schema upgrade");
    transaction.commit();
}

}  // namespace

// Write-ahead logging with synchronous=NORMAL commits without a sync; queued mail is
// synced by WalSync before enqueue() returns, and WalCheckpointer copies the log back
// into the database off the request path. Other changes reach the disk with the next
// sync: losing the latest heartbeats in a power cut is harmless, since the grace starts
// afresh at every start.
SqliteStore::SqliteStore(const std::string& path) : db_(path), wal_sync_(path) {
    db_.exec("PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL; PRAGMA wal_autocheckpoint = 0",
             "journal mode");
    upgrade_schema(db_);
    count_queue();
    checkpointer_.emplace(path, mutex_);
}

// Only this store writes the file, so counts taken once stay exact as it changes them.
void SqliteStore::count_queue() {
    Statement all(db_, "SELECT COUNT(*), COALESCE(SUM(waiting_for_code), 0) FROM mail_queue");
    all.step();
    queued_ = static_cast<int>(all.integer(0));
    parked_ = static_cast<int>(all.integer(1));
}

std::optional<std::string> SqliteStore::code_verifier(const ComputerKey& key) {
    const std::lock_guard lock(mutex_);
    if (const std::string* known = known_.verifier(key)) return *known;
    Statement select(db_, "SELECT code_verifier FROM computers WHERE address = ?1 AND computer_id = ?2");
    select.bind(1, key.address).bind(2, key.computer_id);
    if (!select.step() || select.is_null(0)) return std::nullopt;
    std::string verifier = select.text(0);
    known_.set_verifier(key, verifier);
    return verifier;
}

void SqliteStore::bind_code(const ComputerKey& key, const std::string& verifier, TimePoint now) {
    const std::lock_guard lock(mutex_);
    Transaction transaction(db_);
    Statement(db_,
              "INSERT INTO computers (address, computer_id, monitoring, last_heartbeat_ms, silent, code_verifier) "
              "VALUES (?1, ?2, 0, ?3, 0, ?4) ON CONFLICT (address, computer_id) DO UPDATE SET code_verifier = ?4")
        .bind(1, key.address)
        .bind(2, key.computer_id)
        .bind(3, to_unix_ms(now))
        .bind(4, verifier)
        .step();
    Statement(db_,
              "UPDATE mail_queue SET code_verifier = ?3 "
              "WHERE address = ?1 AND computer_id = ?2 AND code_verifier IS NULL")
        .bind(1, key.address)
        .bind(2, key.computer_id)
        .bind(3, verifier)
        .step();
    transaction.commit();
    known_.set_verifier(key, verifier);
}

// One enqueue() waiting for its group's transaction.
struct SqliteStore::Admit {
    const ComputerKey& key;
    const MailText& text;
    const std::string& code_verifier;
    TimePoint now;
    const Quota& quota;
    std::string_view idempotency_key;
    Admission admission = Admission::queued;
    std::exception_ptr failure;
};

// A heartbeat from a computer already known to be monitored and not silent is only noted
// (KnownComputers): most requests are heartbeats, and a transaction for each would bound
// the whole service.
std::optional<SilentComputer> SqliteStore::record_return(const ComputerKey& key, TimePoint now,
                                                       const FlagMail* mail) {
    const std::lock_guard lock(mutex_);
    if (known_.note_heartbeat(key, now)) return std::nullopt;
    Transaction transaction(db_);
    Statement select(db_,
                     "SELECT silent, COALESCE(code_verifier, '') FROM computers WHERE address = ?1 AND computer_id = ?2");
    select.bind(1, key.address).bind(2, key.computer_id);
    std::optional<SilentComputer> returned;
    if (select.step() && select.integer(0) != 0) returned = SilentComputer{key, now, select.text(1)};
    Statement upsert(db_,
                     "INSERT INTO computers (address, computer_id, monitoring, last_heartbeat_ms, silent) "
                     "VALUES (?1, ?2, 1, ?3, 0) ON CONFLICT (address, computer_id) DO UPDATE SET "
                     "monitoring = 1, last_heartbeat_ms = ?3, silent = 0");
    upsert.bind(1, key.address).bind(2, key.computer_id).bind(3, to_unix_ms(now)).step();
    int added = 0;
    if (returned && mail) added = queue_flag_mail(*returned, *mail, added);
    transaction.commit();
    queued_ += added;
    known_.steady(key, now);
    return returned;
}

// Within the flag's transaction; returns the mails queued so far, this one counted.
int SqliteStore::queue_flag_mail(SilentComputer& computer, const FlagMail& mail, int added) {
    const MailText text = mail.text(computer);
    const Admit job{computer.key, text, mail.verifier_for(computer), mail.now, mail.quota, {}, {}, {}};
    computer.admission = admit(job, queued_ + added);
    return added + (computer.admission == Admission::queued ? 1 : 0);
}

// Within a transaction; the written ones count as written only once it commits.
std::vector<KnownComputers::Entry*> SqliteStore::write_heard(TimePoint deadline, std::size_t most) {
    auto due = known_.due(deadline, most);
    for (const auto* entry : due) {
        Statement update(db_,
                         "UPDATE computers SET last_heartbeat_ms = MAX(last_heartbeat_ms, ?3) "
                         "WHERE address = ?1 AND computer_id = ?2");
        update.bind(1, entry->first.address)
            .bind(2, entry->first.computer_id)
            .bind(3, to_unix_ms(*entry->second.heard))
            .step();
    }
    return due;
}

// A batch per transaction, letting requests in between.
void SqliteStore::write_heard_in_batches(TimePoint deadline) {
    constexpr std::size_t batch = 256;
    for (;;) {
        const std::lock_guard lock(mutex_);
        if (known_.due(deadline, batch + 1).size() <= batch) return;
        Transaction transaction(db_);
        const auto written = write_heard(deadline, batch);
        transaction.commit();
        KnownComputers::written(written);
    }
}

void SqliteStore::stop_monitoring(const ComputerKey& key) {
    const std::lock_guard lock(mutex_);
    known_.unsteady(key);
    Statement update(db_, "UPDATE computers SET monitoring = 0, silent = 0 WHERE address = ?1 AND computer_id = ?2");
    update.bind(1, key.address).bind(2, key.computer_id).step();
}

bool SqliteStore::is_monitored(const ComputerKey& key) {
    const std::lock_guard lock(mutex_);
    Statement select(db_, "SELECT monitoring FROM computers WHERE address = ?1 AND computer_id = ?2");
    select.bind(1, key.address).bind(2, key.computer_id);
    return select.step() && select.integer(0) != 0;
}

std::vector<SilentComputer> SqliteStore::take_newly_silent(TimePoint deadline, const FlagMail* mail) {
    write_heard_in_batches(deadline);
    const std::lock_guard lock(mutex_);
    Transaction transaction(db_);
    const auto written = write_heard(deadline, SIZE_MAX);
    Statement select(db_,
                     "SELECT address, computer_id, last_heartbeat_ms, COALESCE(code_verifier, '') FROM computers "
                     "WHERE monitoring = 1 AND silent = 0 AND last_heartbeat_ms < ?1");
    select.bind(1, to_unix_ms(deadline));
    std::vector<SilentComputer> silent;
    while (select.step())
        silent.push_back({{select.text(0), static_cast<int>(select.integer(1))}, from_unix_ms(select.integer(2)),
                          select.text(3)});
    int added = 0;
    for (auto& computer : silent) {
        Statement mark(db_, "UPDATE computers SET silent = 1 WHERE address = ?1 AND computer_id = ?2");
        mark.bind(1, computer.key.address).bind(2, computer.key.computer_id).step();
        if (mail) added = queue_flag_mail(computer, *mail, added);
    }
    transaction.commit();
    queued_ += added;
    KnownComputers::written(written);
    for (const auto& computer : silent) known_.unsteady(computer.key);
    return silent;
}

void SqliteStore::restart_heartbeats(TimePoint now) {
    const std::lock_guard lock(mutex_);
    Statement update(db_, "UPDATE computers SET last_heartbeat_ms = ?1 WHERE monitoring = 1 AND silent = 0");
    update.bind(1, to_unix_ms(now)).step();
    known_.all_written(now);
}

void SqliteStore::clock_stepped(std::chrono::milliseconds step, TimePoint now) {
    const std::lock_guard lock(mutex_);
    Transaction transaction(db_);
    Statement(db_, "UPDATE computers SET last_heartbeat_ms = ?1 WHERE monitoring = 1 AND silent = 0")
        .bind(1, to_unix_ms(now))
        .step();
    const auto shift = static_cast<std::int64_t>(step.count());
    Statement(db_, "UPDATE mail_queue SET created_ms = created_ms + ?1, next_attempt_ms = next_attempt_ms + ?1")
        .bind(1, shift)
        .step();
    Statement(db_, "UPDATE mail_quota SET queued_ms = queued_ms + ?1").bind(1, shift).step();
    transaction.commit();
    known_.all_written(now);
}


// Mails queued together share one transaction and one sync, and each is durable before
// its caller hears it was queued. The next group forms while one syncs, so the busier
// the service, the more mails share each sync.
Admission SqliteStore::enqueue(const ComputerKey& key, const MailText& text, const std::string& code_verifier,
                               TimePoint now, const Quota& quota, std::string_view idempotency_key) {
    Admit job{key, text, code_verifier, now, quota, idempotency_key, {}, {}};
    admissions_.run(job, [this](std::vector<Admit*>& jobs) { admit_group(jobs); });
    if (job.failure) std::rethrow_exception(job.failure);
    return job.admission;
}

// A failure fails the whole group. The lock is let go before the sync, so heartbeats
// and the mail worker go on meanwhile.
void SqliteStore::admit_group(std::vector<Admit*>& jobs) {
    try {
        {
            const std::lock_guard lock(mutex_);
            Transaction transaction(db_);
            TimePoint earliest = jobs.front()->now;
            for (const Admit* job : jobs) earliest = std::min(earliest, job->now);
            Statement prune(db_, "DELETE FROM mail_quota WHERE queued_ms <= ?1");
            prune.bind(1, to_unix_ms(earliest) - hour_ms).step();
            Statement(db_, "DELETE FROM reminder_keys WHERE queued_ms <= ?1")
                .bind(1, to_unix_ms(earliest - idempotency_window))
                .step();
            int added = 0;
            for (Admit* job : jobs) {
                job->admission = admit(*job, queued_ + added);
                if (job->admission == Admission::queued) ++added;
            }
            transaction.commit();
            queued_ += added;
        }
        wal_sync_.sync();
    } catch (...) {
        for (Admit* job : jobs) job->failure = std::current_exception();
    }
}

Admission SqliteStore::admit(const Admit& job, int queued) {
    const std::int64_t now_ms = to_unix_ms(job.now);
    if (!job.idempotency_key.empty()) {
        Statement seen(db_,
                       "SELECT COUNT(*) FROM reminder_keys WHERE address = ?1 AND computer_id = ?2 "
                       "AND idempotency_key = ?3 AND queued_ms > ?4");
        seen.bind(1, job.key.address)
            .bind(2, job.key.computer_id)
            .bind(3, job.idempotency_key)
            .bind(4, to_unix_ms(job.now - idempotency_window));
        if (count(seen) > 0) return Admission::repeated;
    }
    Statement recent(db_, "SELECT COUNT(*) FROM mail_quota WHERE address = ?1 AND queued_ms > ?2");
    recent.bind(1, job.key.address).bind(2, now_ms - hour_ms);
    if (count(recent) >= job.quota.mails_per_address_per_hour) return Admission::over_quota;
    if (queued >= job.quota.queue_capacity) return Admission::queue_full;

    Statement charge(db_, "INSERT INTO mail_quota (address, queued_ms) VALUES (?1, ?2)");
    charge.bind(1, job.key.address).bind(2, now_ms).step();
    Statement insert(db_,
                     "INSERT INTO mail_queue (address, computer_id, subject, body, created_ms, next_attempt_ms, "
                     "code_verifier) VALUES (?1, ?2, ?3, ?4, ?5, ?5, ?6)");
    insert.bind(1, job.key.address)
        .bind(2, job.key.computer_id)
        .bind(3, job.text.subject)
        .bind(4, job.text.body)
        .bind(5, now_ms)
        .bind(6, job.code_verifier)
        .step();
    if (!job.idempotency_key.empty())
        Statement(db_,
                  "INSERT INTO reminder_keys (address, computer_id, idempotency_key, queued_ms) VALUES (?1, ?2, ?3, ?4) "
                  "ON CONFLICT (address, computer_id, idempotency_key) DO UPDATE SET queued_ms = excluded.queued_ms")
            .bind(1, job.key.address)
            .bind(2, job.key.computer_id)
            .bind(3, job.idempotency_key)
            .bind(4, now_ms)
            .step();
    return Admission::queued;
}

std::optional<QueuedMail> SqliteStore::next_due(TimePoint now, const MailFilter&) {
    const std::lock_guard lock(mutex_);
    Statement select(db_,
                     "SELECT id, address, computer_id, subject, body, created_ms, attempts, "
                     "COALESCE(code_verifier, '') FROM mail_queue "
                     "WHERE waiting_for_code = 0 AND next_attempt_ms <= ?1 ORDER BY next_attempt_ms, id LIMIT 1");
    select.bind(1, to_unix_ms(now));
    if (!select.step()) return std::nullopt;
    QueuedMail mail;
    mail.id = select.integer(0);
    mail.key = {select.text(1), static_cast<int>(select.integer(2))};
    mail.text = {select.text(3), select.text(4)};
    mail.created = from_unix_ms(select.integer(5));
    mail.attempts = static_cast<int>(select.integer(6));
    mail.code_verifier = select.text(7);
    return mail;
}

std::optional<TimePoint> SqliteStore::next_attempt_time(const MailFilter&) {
    const std::lock_guard lock(mutex_);
    Statement select(db_, "SELECT MIN(next_attempt_ms) FROM mail_queue WHERE waiting_for_code = 0");
    if (!select.step() || select.is_null(0)) return std::nullopt;
    return from_unix_ms(select.integer(0));
}

void SqliteStore::remove(std::int64_t id) {
    const std::lock_guard lock(mutex_);
    Statement removed(db_, "DELETE FROM mail_queue WHERE id = ?1 RETURNING waiting_for_code");
    if (!removed.bind(1, id).step()) return;
    const auto was_parked = static_cast<int>(removed.integer(0));
    removed.step();
    --queued_;
    parked_ -= was_parked;
}

void SqliteStore::reschedule(std::int64_t id, int attempts, TimePoint at) {
    const std::lock_guard lock(mutex_);
    Statement update(db_, "UPDATE mail_queue SET attempts = ?2, next_attempt_ms = ?3 WHERE id = ?1");
    update.bind(1, id).bind(2, attempts).bind(3, to_unix_ms(at)).step();
}

void SqliteStore::park_until_code(std::int64_t id) {
    const std::lock_guard lock(mutex_);
    Statement(db_, "UPDATE mail_queue SET waiting_for_code = 1 WHERE id = ?1 AND waiting_for_code = 0")
        .bind(1, id)
        .step();
    parked_ += db_.changes();
}

// Called with every heartbeat; the count spares it a write when nothing waits.
int SqliteStore::unpark(const ComputerKey& key, const std::string& code_verifier, TimePoint now) {
    const std::lock_guard lock(mutex_);
    if (parked_ == 0) return 0;
    Statement update(db_,
                     "UPDATE mail_queue SET waiting_for_code = 0, next_attempt_ms = MIN(next_attempt_ms, ?3) "
                     "WHERE address = ?1 AND computer_id = ?2 AND waiting_for_code = 1 AND code_verifier = ?4");
    update.bind(1, key.address).bind(2, key.computer_id).bind(3, to_unix_ms(now)).bind(4, code_verifier).step();
    parked_ -= db_.changes();
    return db_.changes();
}

int SqliteStore::pending_for(const ComputerKey& key) {
    const std::lock_guard lock(mutex_);
    Statement select(db_, "SELECT COUNT(*) FROM mail_queue WHERE address = ?1 AND computer_id = ?2");
    select.bind(1, key.address).bind(2, key.computer_id);
    return count(select);
}

int SqliteStore::drop_created_before(TimePoint cutoff) {
    const std::lock_guard lock(mutex_);
    Statement(db_, "DELETE FROM mail_queue WHERE created_ms < ?1").bind(1, to_unix_ms(cutoff)).step();
    const int dropped = db_.changes();
    if (dropped > 0) count_queue();
    return dropped;
}

int SqliteStore::queued() {
    const std::lock_guard lock(mutex_);
    return queued_;
}

}  // namespace lumora
