#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "client_escape.hpp"
#include "harness.hpp"
#include "store/sqlite/sqlite_store.hpp"

namespace lumora::testing {
namespace {

const std::string owner_code = "Rw4Tq9Lm2Xs7Vb5N";
const std::string stranger_code = "FAKEFAKEFAKEFAKE";
const std::string address = "10001@qq.com";
const ComputerKey computer{address, 1};

std::string account(const std::string& code, const std::string& wxid = address) {
    return "wxid=" + wxid + "&cpid=1&pwd=" + code;
}
std::string heartbeat(const std::string& code, const std::string& wxid = address) {
    return "/velmor305/checkon.asp?" + account(code, wxid);
}
std::string switch_off(const std::string& code) { return "/velmor305/checkoff.asp?" + account(code); }
std::string reminder(const std::string& code, std::u16string_view watch_key = u"8080备注 网银") {
    return "/velmor305/tx.asp?wxid=" + address + "&port=" + client_escape(watch_key) + "&cpid=1&pwd=" + code;
}

std::size_t refused_logins(const SmtpSink& sink) {
    std::size_t refused = 0;
    for (const auto& login : sink.logins()) refused += login.accepted ? 0 : 1;
    return refused;
}

struct OwnershipTest : ::testing::Test {
    TempDir dir;
    std::optional<SmtpSink> sink{std::in_place, dir.path()};

    ServiceProcess start(std::vector<std::string> flags = {}) {
        const auto smtp = smtp_flags(sink->port());
        flags.insert(flags.end(), smtp.begin(), smtp.end());
        return ServiceProcess(dir.path(), flags);
    }
    SqliteStore store() const { return SqliteStore((dir.path() / "service.db").string()); }
};

TEST_F(OwnershipTest, AnotherCodeChangesNothingOnAnyRequest) {
    ServiceProcess service = start();
    ASSERT_EQ(service.post(heartbeat(owner_code))->status, 200);
    for (const auto& target : {heartbeat(stranger_code), reminder(stranger_code, u"URGENT visit evil.example"),
                               switch_off(stranger_code)}) {
        const auto reply = service.post(target);
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->status, 403) << target;
        EXPECT_EQ(reply->body, "授权码与该电脑的监控不符");
    }
    EXPECT_TRUE(store().is_monitored(computer)) << "still monitored";
    EXPECT_EQ(store().queued(), 0);

    ASSERT_EQ(service.post(reminder(owner_code))->status, 200) << "the owner's code still holds it";
    ASSERT_TRUE(eventually([&] { return sink->mails().size() == 1; })) << service.log();
    EXPECT_EQ(sink->mails()[0].fields.at("password"), owner_code);
    EXPECT_NE(sink->mails()[0].fields.at("subject").find("端口 8080"), std::string::npos);
    EXPECT_EQ(service.stop(), 0);
}

TEST_F(OwnershipTest, RotatedCodeThatTheMailServerAcceptsTakesOver) {
    ServiceProcess service = start();
    ASSERT_EQ(service.post(heartbeat(owner_code))->status, 200);
    const std::string rotated = "Nn5Pp8Qq1Rr4Ss7T";
    sink->set_code(address, rotated);
    EXPECT_EQ(service.post(heartbeat(rotated))->status, 200);
    EXPECT_EQ(service.post(heartbeat(owner_code))->status, 403) << "the old code no longer holds it";
    ASSERT_EQ(service.post(reminder(rotated))->status, 200);
    ASSERT_TRUE(eventually([&] { return sink->mails().size() == 1; })) << service.log();
    EXPECT_EQ(sink->mails()[0].fields.at("password"), rotated);
    EXPECT_EQ(service.stop(), 0);
}

TEST_F(OwnershipTest, MailQueuedWithOneCodeIsNeverSentWithAnother) {
    const int smtp_port = sink->port();
    {
        ServiceProcess first = start();
        ASSERT_EQ(first.post(heartbeat(owner_code))->status, 200);
        sink.reset();
        ASSERT_EQ(first.post(reminder(owner_code, u"80备注 queued with the first code"))->status, 200);
        ASSERT_TRUE(eventually([&] { return count_of(first.log(), " not sent (") >= 1; })) << first.log();
        EXPECT_EQ(first.stop(), 0);
    }
    sink.emplace(dir.path(), smtp_port);
    const std::string rotated = "Nn5Pp8Qq1Rr4Ss7T";
    sink->set_code(address, rotated);
    ServiceProcess second = start();
    ASSERT_EQ(second.post(heartbeat(rotated))->status, 200);
    ASSERT_EQ(second.post(reminder(rotated, u"81备注 queued with the new code"))->status, 200);
    ASSERT_TRUE(eventually([&] { return sink->mails().size() == 1; })) << second.log();
    EXPECT_NE(sink->mails()[0].body.find("81"), std::string::npos);
    EXPECT_EQ(second.stop(), 0);
    EXPECT_EQ(sink->mails().size(), 1u);
    EXPECT_EQ(store().queued(), 1) << "the first mail waits for its own code";
}

TEST_F(OwnershipTest, CodeTheMailServerDoesNotVouchForBindsNothing) {
    sink->set_code(address, owner_code);
    {
        ServiceProcess service = start();
        const auto refused = service.post(heartbeat(stranger_code));
        EXPECT_EQ(refused->status, 403);
        EXPECT_EQ(refused->body, "邮箱授权码无效");
        EXPECT_EQ(service.stop(), 0);
    }
    const int smtp_port = sink->port();
    sink.reset();
    {
        ServiceProcess service(dir.path(), smtp_flags(smtp_port));
        EXPECT_EQ(service.post(heartbeat(owner_code))->status, 503) << "no mail server to ask";
        EXPECT_EQ(service.post(reminder(owner_code))->status, 503);
        EXPECT_EQ(service.stop(), 0);
    }
    EXPECT_FALSE(store().code_verifier(computer));
    EXPECT_FALSE(store().is_monitored(computer));
    EXPECT_EQ(store().queued(), 0);

    sink.emplace(dir.path(), smtp_port);
    ServiceProcess service = start();
    EXPECT_EQ(service.post(heartbeat(owner_code))->status, 200) << "the real code still binds";
    EXPECT_EQ(service.stop(), 0);
}

TEST_F(OwnershipTest, RefusedCodesAreLimitedPerAddressAndPerClient) {
    ServiceProcess service = start();
    const auto refused_from = [&](const std::string& client, const std::string& wxid) {
        RawConnection connection(service.port(), client);
        connection.send("GET " + heartbeat(stranger_code, wxid) + " HTTP/1.1\r\nHost: x\r\n\r\n");
        return status_of(connection.reply());
    };
    for (const std::string wxid : {"1@qq.com", "2@qq.com", "3@qq.com"}) sink->set_code(wxid, owner_code);
    const struct {
        std::string client;
        std::string wxid;
        int tries;
        int then;
    } rounds[] = {
        {"127.0.0.1", "1@qq.com", 2, 403},
        {"127.0.0.1", "2@qq.com", 2, 429},  // the client's fifth refusal was its last
        {"127.0.0.2", "1@qq.com", 2, 429},  // and so was the address's
        {"127.0.0.2", "3@qq.com", 1, 403},
    };
    std::size_t expected_logins = 0;
    for (const auto& round : rounds) {
        for (int i = 0; i < round.tries; ++i) EXPECT_EQ(refused_from(round.client, round.wxid), 403);
        EXPECT_EQ(refused_from(round.client, round.wxid), round.then) << round.client << " " << round.wxid;
        expected_logins += static_cast<std::size_t>(round.tries) + (round.then == 403 ? 1 : 0);
    }
    EXPECT_EQ(refused_logins(*sink), expected_logins) << "no login past a limit";
    EXPECT_EQ(service.post(heartbeat(owner_code, "1@qq.com"))->status, 429) << "not even the right code is tried";
    EXPECT_EQ(service.stop(), 0);
}

TEST(NewComputers, EachClientMayAddOnlySoManyPerHour) {
    TempDir dir;
    ServiceProcess service(dir.path(), {"--transport", "outbox", "--outbox", (dir.path() / "outbox").string(),
                                        "--new-computers-per-client", "2"});
    EXPECT_EQ(service.post(heartbeat(owner_code, "1@qq.com"))->status, 200);
    EXPECT_EQ(service.post(heartbeat(owner_code, "2@qq.com"))->status, 200);
    const auto third = service.post(heartbeat(owner_code, "3@qq.com"));
    EXPECT_EQ(third->status, 429);
    EXPECT_EQ(service.post(heartbeat(owner_code, "1@qq.com"))->status, 200) << "known computers go on";
    EXPECT_EQ(service.stop(), 0);
    EXPECT_FALSE(SqliteStore((dir.path() / "service.db").string()).is_monitored({"3@qq.com", 1}));
}

TEST_F(OwnershipTest, SecretsStayOffTheDiskAndFromOtherUsers) {
    ServiceProcess service = start();
    ASSERT_EQ(service.post(heartbeat(owner_code))->status, 200);
    const std::string limits = read_file("/proc/" + std::to_string(service.pid()) + "/limits");
    EXPECT_NE(limits.find("Max core file size        0                    0"), std::string::npos) << limits;
    for (const char* name : {"service.db", "service.db.key", "service.db.lock"}) {
        struct stat status {};
        ASSERT_EQ(stat((dir.path() / name).c_str(), &status), 0) << name;
        EXPECT_EQ(status.st_mode & 0777, 0600u) << name;
    }
    EXPECT_EQ(service.stop(), 0);
}

}  // namespace
}  // namespace lumora::testing
