#include "options.hpp"

#include <gtest/gtest.h>

#include "tips.hpp"

namespace lumora {
namespace {

using namespace std::chrono_literals;

TEST(Options, MailServerFollowsTheDomainUnlessGiven) {
    EXPECT_EQ(parse_options({"--domain", "163.com"}).smtp.server.text(), "smtp.163.com:465");
    EXPECT_EQ(parse_options({"--smtp-server", "mx:25", "--domain", "163.com"}).smtp.server.text(), "mx:25");
}

TEST(Options, BothFlagFormsAndOverrides) {
    const Options options =
        parse_options({"--listen=[::1]:0", "--smtp-server", "127.0.0.1:2525", "--smtp-security=plain",
                       "--heartbeat-grace", "1500ms", "--transport", "outbox", "--rate-limit", "3", "--retry-max=2m"});
    EXPECT_EQ(options.listen.host, "::1");
    EXPECT_EQ(options.listen.port, 0);
    EXPECT_EQ(options.smtp.server.text(), "127.0.0.1:2525");
    EXPECT_EQ(options.smtp.security, SmtpSecurity::plain);
    EXPECT_EQ(options.heartbeat_grace, 1500ms);
    EXPECT_EQ(options.transport, TransportKind::outbox);
    EXPECT_EQ(options.rate_limit, 3);
    EXPECT_EQ(options.retry.max_delay, 2min);
}

TEST(Options, BadFlagsAreUsageErrors) {
    const std::vector<std::vector<std::string_view>> bad = {
        {"--nope"},          {"--db"},         {"--rate-limit", "0"},   {"--heartbeat-grace", "0s"},
        {"--retry-max", "5x"}, {"--listen", "localhost"}, {"--smtp-server", "h:0"}, {"--min-version", "new"},
        {"--transport", "pigeon"}, {"--mail-ttl", "99999999h"}, {"--max-connections", "0"},
        {"--max-connections-per-address", "many"}, {"--request-time", "0s"},
        {"--tls-cert", "server.crt"}, {"--tls-key", "server.key"}, {"--trusted-proxy", "nginx"}};
    for (const auto& args : bad) EXPECT_THROW(parse_options(args), UsageError) << args[0];
}

TEST(Options, DurationUnits) {
    EXPECT_EQ(parse_duration("250ms"), 250ms);
    EXPECT_EQ(parse_duration("7"), 7s);
    EXPECT_EQ(parse_duration("10m"), 10min);
    EXPECT_EQ(parse_duration("24h"), 24h);
}

TEST(Tips, LineBreaksBecomeTheClientsMarker) {
    EXPECT_EQ(tips_reply_text("\xEF\xBB\xBF第一行\r\n第二行\nthird\rfourth\r\n\r\n"),
              "第一行chr(10)第二行chr(10)thirdchr(10)fourth");
    EXPECT_EQ(tips_reply_text("a\n\nb"), "achr(10)chr(10)b");
    EXPECT_EQ(tips_reply_text("\n"), "");
}

TEST(Tips, MissingFileMeansNoTips) { EXPECT_EQ(load_tips("/nonexistent/lumora/tips.txt"), ""); }

}  // namespace
}  // namespace lumora
