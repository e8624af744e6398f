#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <thread>

#include "harness.hpp"

namespace lumora::testing {
namespace {

constexpr int addresses = 100;  // five computers each: 500, within the quota of 30 mails
const std::string code = "Hq3Vt8Nw2Xc6Bz1K";

// The outbox's mails by (To, Subject), which tell the computers apart.
std::map<std::pair<std::string, std::string>, int> mails_by_computer(const fs::path& outbox) {
    std::map<std::pair<std::string, std::string>, int> count;
    for (const auto& entry : fs::directory_iterator(outbox)) {
        if (entry.path().extension() != ".eml") continue;
        std::ifstream in(entry.path());
        std::string to;
        std::string computer;
        for (std::string line; std::getline(in, line) && !line.empty() && line != "\r";) {
            if (line.starts_with("To: ")) to = line.substr(4);
            if (line.starts_with("Subject: ")) computer = line.substr(9);  // names the computer
        }
        ++count[{to, computer}];
    }
    return count;
}

// The silent flags and their mails used to be committed apart: a crash in between left
// computers flagged with no mail, never to be reported. The first run cannot send (its
// outbox is replaced by a file), so every mail is left to the second.
TEST(SilenceCrash, EverySilentComputerGetsExactlyOneMailAfterAKillDuringTheCheck) {
    TempDir dir;
    const fs::path outbox = dir.path() / "outbox";
    const std::vector<std::string> flags = {"--transport", "outbox", "--outbox", outbox.string(), "--heartbeat-grace",
                                            "5s", "--new-computers-per-client", "100000"};
    {
        ServiceProcess first(dir.path(), flags);
        fs::rename(outbox, dir.path() / "outbox.away");
        std::ofstream(outbox) << "";
        for (int a = 0; a < addresses; ++a)
            for (int computer = 1; computer <= 5; ++computer)
                ASSERT_EQ(first.post("/velmor305/checkon.asp?wxid=" + std::to_string(20000 + a) + "@qq.com&cpid=" +
                                     std::to_string(computer) + "&pwd=" + code)
                              ->status,
                          200);
        ASSERT_TRUE(eventually([&] { return count_of(first.log(), "went silent") > 0; }, 30s)) << first.log();
        first.crash();
    }
    fs::remove(outbox);
    fs::rename(dir.path() / "outbox.away", outbox);
    ServiceProcess second(dir.path(), flags);
    ASSERT_TRUE(eventually([&] { return mails_by_computer(outbox).size() == 5u * addresses; }, 60s))
        << mails_by_computer(outbox).size() << "\n" << second.log().substr(0, 2000);
    std::this_thread::sleep_for(500ms);
    for (const auto& [computer, mails] : mails_by_computer(outbox))
        EXPECT_EQ(mails, 1) << computer.first << " " << computer.second;
}

}  // namespace
}  // namespace lumora::testing
