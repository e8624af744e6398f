#include "options.hpp"

#include <algorithm>
#include <charconv>
#include <functional>
#include <optional>

namespace lumora {
namespace {

struct Flag {
    std::string_view name;
    std::string_view value;
    std::string_view help;
    std::function<void(Options&, std::string_view)> apply;
};

template <typename Number>
std::optional<Number> parse_number(std::string_view text) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

int parse_count(std::string_view flag, std::string_view text) {
    const auto value = parse_number<int>(text);
    if (!value || *value < 1 || *value > 100000)
        throw UsageError(std::string(flag) + " wants a count from 1 to 100000");
    return *value;
}

SmtpSecurity parse_security(std::string_view text) {
    if (text == "tls") return SmtpSecurity::tls;
    if (text == "starttls") return SmtpSecurity::starttls;
    if (text == "plain") return SmtpSecurity::plain;
    throw UsageError("--smtp-security wants tls, starttls or plain");
}

TransportKind parse_transport(std::string_view text) {
    if (text == "smtp") return TransportKind::smtp;
    if (text == "outbox") return TransportKind::outbox;
    throw UsageError("--transport wants smtp or outbox");
}

Version parse_min_version(std::string_view text) {
    const auto version = Version::parse(text);
    if (!version) throw UsageError("--min-version wants a dotted version such as 3.0.5");
    return *version;
}

TrustedProxies parse_trusted_proxies(std::string_view text) {
    try {
        return TrustedProxies(text);
    } catch (const std::invalid_argument& error) {
        throw UsageError(std::string("--trusted-proxy: ") + error.what());
    }
}

const std::vector<Flag>& flags() {
    static const std::vector<Flag> table = {
        {"--listen", "HOST:PORT", "address to serve HTTP on; port 0 picks a free one (127.0.0.1:8305)",
         [](Options& o, std::string_view v) { o.listen = parse_endpoint(v, true); }},
        {"--tls-cert", "FILE", "PEM certificate chain; with --tls-key the port speaks HTTPS only, reread on SIGHUP",
         [](Options& o, std::string_view v) { o.tls.certificate = v; }},
        {"--tls-key", "FILE", "private key of --tls-cert, unencrypted",
         [](Options& o, std::string_view v) { o.tls.key = v; }},
        {"--trusted-proxy", "ADDRESS[,ADDRESS]",
         "fronts whose X-Forwarded-For names the client (its last hop) for the per-address limits",
         [](Options& o, std::string_view v) { o.trusted_proxies = parse_trusted_proxies(v); }},
        {"--max-connections", "N", "most HTTP connections open at once (10000)",
         [](Options& o, std::string_view v) { o.connections.total = parse_count("--max-connections", v); }},
        {"--max-connections-per-address", "N", "most HTTP connections open from one client address (256)",
         [](Options& o, std::string_view v) {
             o.connections.per_address = parse_count("--max-connections-per-address", v);
         }},
        {"--request-time", "DURATION", "time a client has to send a whole request, head and body (10s)",
         [](Options& o, std::string_view v) { o.connections.request_time = parse_duration(v); }},
        {"--db", "FILE|URI", "SQLite file, or postgresql:// URI of a database instances share (lumora-service.db)",
         [](Options& o, std::string_view v) { o.database = v; }},
        {"--code-key", "FILE",
         "key file of the code verifiers, created if missing (<db>.key; in the database when shared)",
         [](Options& o, std::string_view v) { o.code_key = v; }},
        {"--claim-lease", "DURATION", "how long a mail being sent stays with one instance of a shared database (2m)",
         [](Options& o, std::string_view v) { o.claim_lease = parse_duration(v); }},
        {"--tips", "FILE", "UTF-8 text served as tips; missing means no tips (tips.txt)",
         [](Options& o, std::string_view v) { o.tips_file = v; }},
        {"--min-version", "VERSION", "oldest client version allowed to start monitoring (3.0.5)",
         [](Options& o, std::string_view v) { o.min_version = parse_min_version(v); }},
        {"--domain", "DOMAIN", "the one mail provider whose addresses are accepted (qq.com)",
         [](Options& o, std::string_view v) { o.domain = v; }},
        {"--transport", "smtp|outbox", "send through the user's mailbox, or write .eml files (smtp)",
         [](Options& o, std::string_view v) { o.transport = parse_transport(v); }},
        {"--smtp-server", "HOST:PORT", "mail server to send through (smtp.<domain>:465)",
         [](Options& o, std::string_view v) { o.smtp.server = parse_endpoint(v, false); }},
        {"--smtp-security", "tls|starttls|plain", "how to protect the mail connection; plain is for tests (tls)",
         [](Options& o, std::string_view v) { o.smtp.security = parse_security(v); }},
        {"--smtp-ca", "FILE", "PEM certificate authority trusted for the mail server besides the system's",
         [](Options& o, std::string_view v) { o.smtp.authority = v; }},
        {"--outbox", "DIR", "folder for .eml files of the outbox transport (outbox)",
         [](Options& o, std::string_view v) { o.outbox = v; }},
        {"--heartbeat-grace", "DURATION", "silence after which a monitored computer is reported (60s)",
         [](Options& o, std::string_view v) { o.heartbeat_grace = parse_duration(v); }},
        {"--rate-limit", "N", "most mails per address per hour (30)",
         [](Options& o, std::string_view v) { o.rate_limit = parse_count("--rate-limit", v); }},
        {"--new-computers-per-client", "N", "most computers one client address may add per hour (20)",
         [](Options& o, std::string_view v) {
             o.gate.new_computers_per_client = parse_count("--new-computers-per-client", v);
         }},
        {"--retry-first", "DURATION", "wait after the first failed send, doubling per failure (5s)",
         [](Options& o, std::string_view v) { o.retry.first_delay = parse_duration(v); }},
        {"--retry-max", "DURATION", "longest wait between two tries (10m)",
         [](Options& o, std::string_view v) { o.retry.max_delay = parse_duration(v); }},
        {"--mail-ttl", "DURATION", "queued mail not sent within this time is dropped (24h)",
         [](Options& o, std::string_view v) { o.retry.give_up_after = parse_duration(v); }},
    };
    return table;
}

const Flag& find_flag(std::string_view name) {
    const auto& table = flags();
    const auto it = std::find_if(table.begin(), table.end(), [&](const Flag& f) { return f.name == name; });
    if (it == table.end()) throw UsageError("unknown flag " + std::string(name));
    return *it;
}

}  // namespace

std::chrono::milliseconds parse_duration(std::string_view text) {
    const std::size_t unit_at = text.find_first_not_of("0123456789");
    const std::string_view unit = unit_at == std::string_view::npos ? "s" : text.substr(unit_at);
    const auto count = parse_number<long long>(text.substr(0, unit_at));
    const long long limit = 100LL * 24 * 3600 * 1000;  // a hundred days, far past any sensible setting
    long long scale = 0;
    if (unit == "ms") scale = 1;
    if (unit == "s") scale = 1000;
    if (unit == "m") scale = 60 * 1000;
    if (unit == "h") scale = 3600 * 1000;
    if (!count || scale == 0 || *count <= 0 || *count > limit / scale)
        throw UsageError("bad duration '" + std::string(text) + "' (use e.g. 250ms, 5s, 10m, 24h)");
    return std::chrono::milliseconds(*count * scale);
}

Endpoint parse_endpoint(std::string_view text, bool allow_any_port) {
    const std::size_t colon = text.rfind(':');
    const auto error = UsageError("bad address '" + std::string(text) + "' (use HOST:PORT)");
    if (colon == std::string_view::npos) throw error;
    std::string_view host = text.substr(0, colon);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    const auto port = parse_number<int>(text.substr(colon + 1));
    if (host.empty() || !port || *port > 65535 || *port < (allow_any_port ? 0 : 1)) throw error;
    return {std::string(host), *port};
}

bool asks_for_help(const std::vector<std::string_view>& args) {
    return std::any_of(args.begin(), args.end(), [](std::string_view a) { return a == "--help" || a == "-h"; });
}

Options parse_options(const std::vector<std::string_view>& args) {
    Options options;
    bool smtp_server_given = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view name = args[i];
        std::optional<std::string_view> value;
        if (const std::size_t eq = name.find('='); eq != std::string_view::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
        }
        const Flag& flag = find_flag(name);
        if (!value) {
            if (i + 1 == args.size()) throw UsageError(std::string(name) + " needs a value");
            value = args[++i];
        }
        flag.apply(options, *value);
        smtp_server_given = smtp_server_given || name == "--smtp-server";
    }
    if (options.tls.certificate.empty() != options.tls.key.empty())
        throw UsageError("--tls-cert and --tls-key go together");
    if (!smtp_server_given) options.smtp.server = {"smtp." + options.domain, 465};
    return options;
}

std::string usage_text() {
    std::string text =
        "Usage: lumora-service [FLAGS]\n"
        "Reminder service for the Lumora desktop client: heartbeats, reminder mail and\n"
        "a dead-man's switch. Durations take ms, s, m or h (a bare number is seconds).\n\n";
    for (const Flag& flag : flags()) {
        text += "  " + std::string(flag.name) + " " + std::string(flag.value) + "\n      " + std::string(flag.help) +
                "\n";
    }
    text += "  --help\n      show this text\n";
    return text;
}

}  // namespace lumora
