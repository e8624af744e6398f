#include "unescape.hpp"

#include <gtest/gtest.h>

#include "client_escape.hpp"

namespace lumora {
namespace {

using testing::client_escape;

TEST(Unescape, ClientEscapedTextComesBackAsTyped) {
    const std::pair<std::u16string, std::string> cases[] = {
        {u"8080备注 mail", "8080备注 mail"},
        {u"443备注 网银 & 证券=100% +1", "443备注 网银 & 证券=100% +1"},
        {u"café ÿ þ", "café ÿ þ"},
        {u"emoji 😀 end", "emoji 😀 end"},
        {u"-_.!~*'()", "-_.!~*'()"},
        {u"", ""},
    };
    for (const auto& [typed, utf8] : cases) EXPECT_EQ(unescape_client_value(client_escape(typed)), utf8) << utf8;
}

TEST(Unescape, TwoDigitEscapeIsACodeUnitNotAByte) {
    EXPECT_EQ(unescape_client_value("%E9"), "\xC3\xA9");
    EXPECT_EQ(unescape_client_value("%FE%u00FF"), "\xC3\xBE\xC3\xBF");
    EXPECT_EQ(unescape_client_value("%3d%2b"), "=+");
}

TEST(Unescape, PlusAndRawCharactersStandForThemselves) {
    EXPECT_EQ(unescape_client_value("a+b@qq.com"), "a+b@qq.com");
    EXPECT_EQ(unescape_client_value("\xE5\xA4\x87"), "备");
}

TEST(Unescape, BrokenInputIsRefused) {
    for (const char* raw : {"%", "%4", "%G1", "x%u12", "%u12G4", "%uD83D", "%uD83Dx", "%uDE00", "%uD83D%uD83D%uDE00",
                            "%uD83D%41", "\xC3", "\xC0\xAF", "\xED\xA0\x80"})
        EXPECT_FALSE(unescape_client_value(raw).has_value()) << raw;
}

}  // namespace
}  // namespace lumora
