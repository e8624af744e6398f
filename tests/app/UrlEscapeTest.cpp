#include "UrlEscape.h"

#include <gtest/gtest.h>

TEST(UrlEscape, KeepsUnreservedAndEscapesTheRest) {
  EXPECT_EQ(UrlEscape(L"8080备注 mail"), L"8080%u5907%u6CE8%20mail");
  EXPECT_EQ(UrlEscape(L"azAZ09-_.!~*'()"), L"azAZ09-_.!~*'()");
  EXPECT_EQ(UrlEscape(L" &=%+#"), L"%20%26%3D%25%2B%23");
  EXPECT_EQ(UrlEscape(L""), L"");
}

TEST(UrlEscape, SwitchesToTheLongFormAt255) {
  EXPECT_EQ(UrlEscape(std::wstring(1, wchar_t(1))), L"%01");
  EXPECT_EQ(UrlEscape(std::wstring(1, wchar_t(254))), L"%FE");
  EXPECT_EQ(UrlEscape(std::wstring(1, wchar_t(255))), L"%u00FF");
  EXPECT_EQ(UrlEscape(std::wstring(1, wchar_t(0xFFFF))), L"%uFFFF");
}

TEST(UrlEscape, CharacterBeyondTheBasicPlaneGivesTwoGroups) {
  EXPECT_EQ(UrlEscape(L"\U0001F600"), L"%uD83D%uDE00");
}
