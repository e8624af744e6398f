#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "trust/code_verifier.hpp"
#include "trust/hourly_limit.hpp"
#include "trust/key_file.hpp"

namespace lumora {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

TEST(CodeVerifier, DependsOnTheKeyTheComputerAndTheCode) {
    const std::string key = new_code_key();
    const CodeVerifier verifier(key);
    const CodeVerifier same_key(key);
    const CodeVerifier other_key(new_code_key());
    const ComputerKey computer{"10001@qq.com", 1};
    const std::string base = verifier.of(computer, "abcd");

    EXPECT_EQ(base.size(), 64u);
    EXPECT_EQ(base.find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_TRUE(CodeVerifier::same(base, same_key.of(computer, "abcd"))) << "instances sharing a key agree";
    const std::string differing[] = {
        other_key.of(computer, "abcd"),
        verifier.of({"10001@qq.com", 2}, "abcd"),
        verifier.of({"10002@qq.com", 1}, "abcd"),
        verifier.of(computer, "abce"),
        verifier.of({"10001@qq.com1", 1}, "bcd"),  // parts do not run into each other
    };
    for (const auto& other : differing) EXPECT_FALSE(CodeVerifier::same(base, other)) << other;
    EXPECT_FALSE(CodeVerifier::same(base, base.substr(1)));
}

TEST(CodeVerifier, RefusesAKeyOfTheWrongShape) {
    for (const std::string& bad : {std::string(), std::string(63, 'a'), std::string(65, 'a'), std::string(64, 'g')})
        EXPECT_THROW(CodeVerifier{bad}, std::runtime_error) << bad;
}

struct KeyFileTest : ::testing::Test {
    fs::path path = fs::temp_directory_path() /
                    ("lumora-key-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                     ::testing::UnitTest::GetInstance()->current_test_info()->name());
    void SetUp() override { fs::remove(path); }
    void TearDown() override { fs::remove(path); }
};

TEST_F(KeyFileTest, CreatedForItsOwnerAloneAndReadBack) {
    const std::string created = read_or_create_key_file(path);
    struct stat status {};
    ASSERT_EQ(stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    EXPECT_EQ(read_or_create_key_file(path), created);
}

TEST_F(KeyFileTest, OneOthersMayReadOrThatHoldsNoKeyStopsTheStart) {
    read_or_create_key_file(path);
    fs::permissions(path, fs::perms::group_read, fs::perm_options::add);
    EXPECT_THROW(read_or_create_key_file(path), std::runtime_error);
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::replace);
    std::ofstream(path) << "not a key\n";
    EXPECT_THROW(read_or_create_key_file(path), std::runtime_error);
}

TEST(HourlyLimit, CountsWithinASlidingWindowAndTakesBackWhatDidNotCount) {
    HourlyLimit limit(2);
    const HourlyLimit::Moment t0{};
    EXPECT_TRUE(limit.take("a", t0));
    EXPECT_TRUE(limit.take("a", t0 + 10min));
    EXPECT_FALSE(limit.take("a", t0 + 20min));
    EXPECT_TRUE(limit.take("b", t0 + 20min)) << "keys are counted apart";
    EXPECT_TRUE(limit.take("a", t0 + 60min)) << "the first event has left the window";
    EXPECT_FALSE(limit.take("a", t0 + 61min));
    limit.give_back("a");
    EXPECT_TRUE(limit.take("a", t0 + 61min));
    {
        ASSERT_TRUE(limit.take("b", t0 + 62min));
        const LimitTicket ticket(limit, "b");
    }
    EXPECT_TRUE(limit.take("b", t0 + 62min)) << "a ticket not kept is given back";
    EXPECT_FALSE(limit.take("b", t0 + 62min));
}

TEST(HourlyLimit, KeysAreBoundedAndQuietOnesMakeRoom) {
    HourlyLimit limit(5, 2);
    const HourlyLimit::Moment t0{};
    EXPECT_TRUE(limit.take("a", t0));
    EXPECT_TRUE(limit.take("b", t0 + 30min));
    EXPECT_FALSE(limit.take("c", t0 + 30min)) << "full: a new key is refused";
    EXPECT_TRUE(limit.take("c", t0 + 61min)) << "a is quiet and makes room";
    EXPECT_TRUE(limit.take("b", t0 + 61min));
}

}  // namespace
}  // namespace lumora
