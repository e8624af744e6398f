#include <gtest/gtest.h>

#include "harness.hpp"
#include "store/sqlite/sqlite_store.hpp"
#include "test_authority.hpp"

namespace lumora::testing {
namespace {

const std::string reminder = "/velmor305/tx.asp?wxid=10001@qq.com&port=8080&cpid=1&pwd=Zq8Xk2Lp9Wm4Rt7Y";

struct Case {
    const char* what;
    const char* security;       // the service's --smtp-security
    const char* sink_tls;       // smtp_sink.py's --tls
    bool trust_authority;       // --smtp-ca names the test authority
    const char* certified_for;  // the names in the sink's certificate
    bool delivered;
    const char* reason;  // in the log when kept queued
};

// The service always asks for "localhost"; a mail that fails the check stays queued.
TEST(SmtpTls, MailGoesOutOnlyToAServerWhoseCertificateChecksOut) {
    const Case cases[] = {
        {"implicit TLS, authority trusted", "tls", "implicit", true, "DNS:localhost", true, ""},
        {"STARTTLS, authority trusted", "starttls", "starttls", true, "DNS:localhost", true, ""},
        {"implicit TLS, authority unknown", "tls", "implicit", false, "DNS:localhost", false, "certificate"},
        {"STARTTLS, authority unknown", "starttls", "starttls", false, "DNS:localhost", false, "certificate"},
        {"certificate for another name", "tls", "implicit", true, "DNS:mail.elsewhere.test", false, "localhost"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const BoundBeforeStart bound(dir.path(), {"10001@qq.com", 1}, "Zq8Xk2Lp9Wm4Rt7Y");
        const TestAuthority authority(dir.path() / "authority");
        const IssuedCertificate sink_certificate = authority.issue("sink", c.certified_for);
        const SmtpSink sink(dir.path(), 0,
                            {"--tls", c.sink_tls, "--cert", sink_certificate.certificate.string(), "--key",
                             sink_certificate.key.string()});
        std::vector<std::string> flags = {"--smtp-server", "localhost:" + std::to_string(sink.port()),
                                          "--smtp-security", c.security, "--retry-first", "100ms"};
        if (c.trust_authority) flags.insert(flags.end(), {"--smtp-ca", authority.certificate().string()});
        ServiceProcess service(dir.path(), flags);
        ASSERT_EQ(service.post(reminder)->status, 200) << c.what;

        if (c.delivered) {
            EXPECT_TRUE(eventually([&] { return sink.mails().size() == 1; })) << c.what << "\n" << service.log();
            continue;
        }
        ASSERT_TRUE(eventually([&] { return count_of(service.log(), " not sent (") >= 2; })) << c.what;
        const std::string log = service.log();
        const std::string first_failure = log.substr(log.find(" not sent ("));
        EXPECT_NE(first_failure.substr(0, first_failure.find('\n')).find(c.reason), std::string::npos)
            << c.what << "\n" << log;
        EXPECT_TRUE(sink.mails().empty()) << c.what;
        EXPECT_EQ(SqliteStore((dir.path() / "service.db").string()).queued(), 1) << c.what;
    }
}

}  // namespace
}  // namespace lumora::testing
