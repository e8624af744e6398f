#include "reminder_service.hpp"

#include <gtest/gtest.h>

#include "manual_clock.hpp"
#include "store/sqlite/sqlite_store.hpp"

namespace lumora {
namespace {

constexpr std::string_view code = "secret123";

// A mailbox that takes one code; nothing is ever sent in these tests.
class OneCodeMailbox : public MailTransport {
public:
    bool needs_code() const override { return true; }
    SendResult send(const OutgoingMail&, const std::string&, std::stop_token) override { return {Delivery::sent, ""}; }
    CodeCheck check_code(const std::string&, const std::string& given, bool) override {
        return given == code ? CodeCheck::accepted : CodeCheck::refused;
    }
};

struct ServiceTest : ::testing::Test {
    testing::ManualClock clock;
    SqliteStore store{":memory:"};
    CredentialVault vault;
    MailQueue queue{store, Quota{.mails_per_address_per_hour = 2}, [] {}};
    DeadmanSwitch deadman{store, queue, std::chrono::seconds(60), clock.fn()};
    OneCodeMailbox mailbox;
    CodeVerifier verifier{new_code_key()};
    CodeGate gate{store, mailbox, verifier, GateLimits{}, clock.fn()};
    ReminderService service{{"qq.com", *Version::parse("3.0.5"), "/nonexistent/tips.txt"},
                            store, vault, queue, deadman, gate, clock.fn()};
    const ComputerKey key{"10001@qq.com", 1};

    Reply send(std::string_view path, const std::string& query) {
        return service.handle("/velmor305/" + std::string(path), query, "192.0.2.1");
    }
};

TEST_F(ServiceTest, MalformedRequestsChangeNothing) {
    const std::pair<std::string_view, std::string> bad[] = {
        {"checkon.asp", "wxid=10001@qq.com&cpid=1"},
        {"checkon.asp", "wxid=10001@qq.com&cpid=6&pwd=secret123"},
        {"checkon.asp", "wxid=10001@163.com&cpid=1&pwd=secret123"},
        {"checkon.asp", "wxid=10001@qq.com&cpid=1&pwd=secret123&pwd=secret123"},
        {"checkon.asp", "wxid=10001@qq.com&cpid=1&pwd=secret123%20"},
        {"checkon.asp", "wxid=10001@qq.com&cpid=1&pwd=secret123&extra=1"},
        {"tx.asp", "wxid=10001@qq.com&port=80%u5907%uD800&cpid=1&pwd=secret123"},
        {"tx.asp", "wxid=10001@qq.com&port=&cpid=1&pwd=secret123"},
        {"tx.asp", "wxid=10001@qq.com&port=80%0D%0ABcc:x&cpid=1&pwd=secret123"},
        {"tx.asp", "wxid=10001&qq.com&port=80&cpid=1&pwd=secret123"},
        {"checkoff.asp", "wxid=10001@qq.com&cpid=x&pwd=secret123"},
        {"config.asp", "wxid=10001@qq.com&version=3.0.5beta"},
        {"tips.asp", "pwd=secret123"},
    };
    for (const auto& [path, query] : bad) {
        const Reply reply = send(path, query);
        EXPECT_GE(reply.status, 400) << path << "?" << query;
        EXPECT_LT(reply.status, 500) << path << "?" << query;
        EXPECT_EQ(reply.body.find(code), std::string::npos) << reply.body;
    }
    EXPECT_EQ(store.queued(), 0);
    EXPECT_EQ(vault.size(), 0u);
    EXPECT_FALSE(store.is_monitored(key));
    EXPECT_EQ(service.handle("/velmor305/other.asp", "", "192.0.2.1").status, 404);
}

TEST_F(ServiceTest, CodeIsHeldWhileMonitoredAndDroppedWhenStopped) {
    EXPECT_EQ(send("checkon.asp", "wxid=10001@QQ.com&cpid=1&pwd=secret123").status, 200);
    EXPECT_TRUE(store.is_monitored(key));
    EXPECT_EQ(vault.code_for(key)->code, code);

    const Reply off = send("checkoff.asp", "wxid=10001@qq.com&cpid=1&pwd=secret123");
    EXPECT_EQ(off.status, 200);
    EXPECT_NE(off.body.find("电脑1"), std::string::npos);
    EXPECT_FALSE(store.is_monitored(key));
    EXPECT_EQ(vault.size(), 0u);
}

TEST_F(ServiceTest, ReminderIsQueuedWithinTheQuota) {
    const std::string query = "wxid=10001@qq.com&port=8080%u5907%u6CE8%20%u7F51%u94F6&cpid=1&pwd=secret123";
    EXPECT_EQ(send("tx.asp", query).status, 200);
    EXPECT_EQ(send("tx.asp", query).status, 200);
    EXPECT_EQ(send("tx.asp", query).status, 429);
    EXPECT_EQ(store.queued(), 2);
    const auto mail = store.next_due(clock.now);
    ASSERT_TRUE(mail);
    EXPECT_NE(mail->text.body.find("端口：8080\n备注：网银\n"), std::string::npos) << mail->text.body;
    EXPECT_EQ(vault.code_for(key)->code, code) << "pending mail needs the code";
}

}  // namespace
}  // namespace lumora
