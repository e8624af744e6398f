#include <gtest/gtest.h>

#include "client_escape.hpp"
#include "harness.hpp"
#include "base64_decode.hpp"
#include "store/sqlite/sqlite_store.hpp"

namespace lumora::testing {
namespace {

const std::string code = "Zq8Xk2Lp9Wm4Rt7Y";

std::string heartbeat(int computer_id) {
    return "/velmor305/checkon.asp?wxid=10001@qq.com&cpid=" + std::to_string(computer_id) + "&pwd=" + code;
}

std::string reminder(std::u16string_view watch_key) {
    return "/velmor305/tx.asp?wxid=10001@qq.com&port=" + client_escape(watch_key) + "&cpid=1&pwd=" + code;
}

std::vector<std::string> subjects(const std::vector<ReceivedMail>& mails) {
    std::vector<std::string> out;
    for (const auto& mail : mails) out.push_back(mail.fields.at("subject"));
    return out;
}

TEST(Delivery, MailServerThatIsDownGetsEveryMailWhenItComesBack) {
    TempDir dir;
    const BoundBeforeStart bound(dir.path(), {"10001@qq.com", 1}, code);
    const int smtp_port = free_loopback_port();
    ServiceProcess service(dir.path(), smtp_flags(smtp_port));
    ASSERT_EQ(service.post(heartbeat(1))->status, 200);
    ASSERT_EQ(service.post(reminder(u"8080备注 甲"))->status, 200);
    ASSERT_EQ(service.post(reminder(u"9090备注 乙"))->status, 200);
    ASSERT_TRUE(eventually([&] { return count_of(service.log(), " not sent (") >= 4; })) << service.log();

    const SmtpSink sink(dir.path(), smtp_port);
    ASSERT_TRUE(eventually([&] { return sink.mails().size() == 2; })) << service.log();
    std::vector<std::string> got = subjects(sink.mails());
    std::sort(got.begin(), got.end());
    EXPECT_NE(got[0].find("端口 8080"), std::string::npos);
    EXPECT_NE(got[1].find("端口 9090"), std::string::npos);
    EXPECT_EQ(service.stop(), 0);
    EXPECT_EQ(SqliteStore((dir.path() / "service.db").string()).queued(), 0);
}

TEST(Delivery, QueuedReminderSurvivesRestartAndWaitsForTheCode) {
    TempDir dir;
    const BoundBeforeStart bound(dir.path(), {"10001@qq.com", 1}, code);
    const int smtp_port = free_loopback_port();
    {
        ServiceProcess first(dir.path(), smtp_flags(smtp_port));
        ASSERT_EQ(first.post(reminder(u"3389备注 远程桌面"))->status, 200);
        ASSERT_TRUE(eventually([&] { return count_of(first.log(), " not sent (") >= 1; }));
        EXPECT_EQ(first.stop(), 0);
        EXPECT_NE(first.log().find("1 mail(s) stay queued"), std::string::npos) << first.log();
    }
    const SmtpSink sink(dir.path(), smtp_port);
    ServiceProcess second(dir.path(), smtp_flags(smtp_port));
    ASSERT_TRUE(eventually([&] { return second.log().find("waits for the next heartbeat") != std::string::npos; }))
        << second.log();
    EXPECT_TRUE(sink.mails().empty());

    ASSERT_EQ(second.post(heartbeat(1))->status, 200);
    ASSERT_TRUE(eventually([&] { return sink.mails().size() == 1; })) << second.log();
    const ReceivedMail mail = sink.mails()[0];
    EXPECT_EQ(mail.fields.at("password"), code);
    EXPECT_NE(mail.body.find("备注：远程桌面"), std::string::npos) << mail.body;
    EXPECT_EQ(second.stop(), 0);
}

TEST(Delivery, OutboxSendsMailQueuedBeforeARestartWithoutAnyCode) {
    TempDir dir;
    const BoundBeforeStart bound(dir.path(), {"10001@qq.com", 1}, code);
    {
        ServiceProcess first(dir.path(), smtp_flags(free_loopback_port()));
        ASSERT_EQ(first.post(reminder(u"8080备注 外发"))->status, 200);
        ASSERT_TRUE(eventually([&] { return count_of(first.log(), " not sent (") >= 1; }));
        EXPECT_EQ(first.stop(), 0);
    }
    const fs::path outbox = dir.path() / "outbox";
    ServiceProcess second(dir.path(), {"--transport", "outbox", "--outbox", outbox.string()});
    std::vector<fs::path> files;
    ASSERT_TRUE(eventually([&] {
        files.clear();
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(outbox, error))
            if (entry.path().extension() == ".eml") files.push_back(entry.path());
        return files.size() == 1;
    })) << second.log();
    const std::string message = read_file(files[0]);
    EXPECT_NE(message.find("To: <10001@qq.com>\r\n"), std::string::npos);
    EXPECT_NE(base64_decode(message.substr(message.find("\r\n\r\n"))).find("备注：外发"), std::string::npos);
    EXPECT_EQ(second.stop(), 0);
}

TEST(Delivery, SilentComputerIsReportedOnceAndItsReturnToo) {
    TempDir dir;
    const SmtpSink sink(dir.path());
    auto flags = smtp_flags(sink.port());
    flags.insert(flags.end(), {"--heartbeat-grace", "1s"});
    ServiceProcess service(dir.path(), flags);
    ASSERT_EQ(service.post(heartbeat(1))->status, 200);
    ASSERT_EQ(service.post(heartbeat(2))->status, 200);
    ASSERT_EQ(service.post("/velmor305/checkoff.asp?wxid=10001@qq.com&cpid=2&pwd=" + code)->status, 200);

    ASSERT_TRUE(eventually([&] { return sink.mails().size() == 1; })) << service.log();
    EXPECT_NE(subjects(sink.mails())[0].find("电脑1 已失去联系"), std::string::npos);

    ASSERT_EQ(service.post(heartbeat(1))->status, 200);
    ASSERT_TRUE(eventually([&] { return sink.mails().size() == 2; })) << service.log();
    EXPECT_NE(subjects(sink.mails())[1].find("电脑1 已恢复联系"), std::string::npos);
    EXPECT_EQ(service.stop(), 0);
    for (const auto& subject : subjects(sink.mails())) EXPECT_EQ(subject.find("电脑2"), std::string::npos);
}

TEST(Delivery, AuthorisationCodeNeverReachesTheDatabaseOrTheLog) {
    TempDir dir;
    const SmtpSink sink(dir.path());
    auto flags = smtp_flags(sink.port());
    flags.insert(flags.end(), {"--rate-limit", "2"});
    {
        ServiceProcess service(dir.path(), flags);
        const std::vector<std::string> targets = {
            heartbeat(1),
            reminder(u"80备注 一"),
            reminder(u"81备注 二"),
            reminder(u"82备注 over quota"),
            "/velmor305/tx.asp?wxid=10001@qq.com&port=%uZZZZ&cpid=1&pwd=" + code,
            "/velmor305/checkon.asp?wxid=10001@qq.com&cpid=7&pwd=" + code,
            "/velmor305/checkon.asp?wxid=10001@qq.com&cpid=1&pwd=" + code + "&pwd=" + code,
            "/velmor305/checkoff.asp?wxid=10001@qq.com&cpid=1&pwd=" + code,
        };
        for (const auto& target : targets) {
            const auto reply = service.post(target);
            ASSERT_TRUE(reply);
            EXPECT_EQ(reply->body.find(code), std::string::npos);
        }
        ASSERT_TRUE(eventually([&] { return sink.mails().size() == 2; })) << service.log();
        EXPECT_EQ(service.stop(), 0);
    }
    for (const auto& mail : sink.mails()) EXPECT_EQ(mail.fields.at("password"), code) << "the code was in use";

    int checked = 0;
    for (const auto& entry : fs::directory_iterator(dir.path())) {
        if (!entry.is_regular_file() || !entry.path().filename().string().starts_with("service.")) continue;
        EXPECT_EQ(read_file(entry.path()).find(code), std::string::npos) << entry.path();
        ++checked;
    }
    EXPECT_GE(checked, 2) << "database and log";
}

}  // namespace
}  // namespace lumora::testing
