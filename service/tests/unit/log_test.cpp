#include <gtest/gtest.h>

#include "http/refusal_log.hpp"
#include "log.hpp"

namespace lumora {
namespace {

using namespace std::chrono_literals;

TEST(LogEscaping, HiddenControlsAndBrokenBytesAreShownNotObeyed) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain 备注 text", "plain 备注 text"},
        {std::string("a\nb\rc\0d", 7), "a\\x0Ab\\x0Dc\\x00d"},
        {"back\\slash", "back\\\\slash"},
        {"del\x7F", "del\\x7F"},
        {"c1 \xC2\x9B" "31m", "c1 \\u009B31m"},               // CSI, a terminal's escape
        {"bidi \xE2\x80\xAE" "txt.exe", "bidi \\u202Etxt.exe"},  // right-to-left override
        {"isolate \xE2\x81\xA6", "isolate \\u2066"},
        {"separator \xE2\x80\xA8", "separator \\u2028"},
        {"broken \xC3 and \xED\xA0\x80", "broken \\xC3 and \\xED\\xA0\\x80"},
    };
    for (const auto& [raw, shown] : cases) EXPECT_EQ(escape_control_characters(raw), shown) << shown;
}

TEST(LogEscaping, LongValuesAreCutOnACharacterWithTheirLength) {
    EXPECT_EQ(bounded("short", 10), "short");
    EXPECT_EQ(bounded(std::string(30000, 'x'), 4), "xxxx...(30000 bytes)");
    EXPECT_EQ(bounded("ab备注", 4), "ab...(8 bytes)") << "not half a character";
}

TEST(RefusalLog, ARunFromOneClientIsLoggedOncePerIntervalWithItsCount) {
    RefusalLog log(60s, 2);
    const RefusalLog::Moment t0{};
    const std::string refusal = "GET /x -> 404 未找到";
    EXPECT_EQ(log.line_for("1.2.3.4", refusal, t0), refusal + " (from 1.2.3.4)");
    EXPECT_FALSE(log.line_for("1.2.3.4", refusal, t0 + 1s));
    EXPECT_FALSE(log.line_for("1.2.3.4", refusal, t0 + 59s));
    EXPECT_TRUE(log.line_for("5.6.7.8", refusal, t0 + 2s)) << "another client is another run";
    EXPECT_EQ(log.line_for("1.2.3.4", refusal, t0 + 60s),
              refusal + " (from 1.2.3.4); 2 more like it since the last line");
    EXPECT_FALSE(log.line_for("1.2.3.4", refusal, t0 + 61s));
    EXPECT_TRUE(log.line_for("9.9.9.9", refusal, t0 + 61s)) << "full: the lapsed run of 5.6.7.8 made room";
}

}  // namespace
}  // namespace lumora
