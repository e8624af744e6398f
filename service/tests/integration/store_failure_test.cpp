#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <thread>

#include "harness.hpp"
#include "store/sqlite/sqlite_store.hpp"

namespace lumora::testing {
namespace {

const std::string reminder_target =
    "/velmor305/tx.asp?wxid=10001@qq.com&cpid=1&pwd=Hq3Vt8Nw2Xc6Bz1K&port=8080%u5907%u6CE8%20x";

// The mail goes out, then taking it off the queue fails as on a full disk. It used to go
// out again with every retry for as long as the store failed.
TEST(StoreFailure, MailSentWhileTheStoreCannotRecordItIsSentOnce) {
    TempDir dir;
    const SmtpSink sink(dir.path());
    setenv("LUMORA_TEST_SEAMS", dir.path().c_str(), 1);
    std::ofstream(dir.path() / "fail-bookkeeping") << "";
    ServiceProcess service(dir.path(), smtp_flags(sink.port()), LUMORA_SEAMS_BINARY);
    ASSERT_EQ(service.post(reminder_target)->status, 200);
    ASSERT_TRUE(eventually([&] { return count_of(service.log(), "cannot be taken off the queue") >= 3; }))
        << service.log();
    EXPECT_EQ(sink.mails().size(), 1u);

    fs::remove(dir.path() / "fail-bookkeeping");
    ASSERT_TRUE(eventually([&] { return SqliteStore((dir.path() / "service.db").string()).queued() == 0; }))
        << service.log();
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(sink.mails().size(), 1u) << service.log();
    EXPECT_EQ(count_of(service.log(), " sent: "), 1u) << service.log();
}

}  // namespace
}  // namespace lumora::testing
