#include "RowFilter.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(RowFilter, MatchesAnyColumnWithoutCase) {
  const std::vector<std::wstring> row = {L"4321", L"Firefox.EXE", L"已建立", L"localhost", L"8080",
                                         L"fe80::1%7", L"443", L"工作"};
  const struct {
    const wchar_t* typed;
    bool shown;
  } cases[] = {
      {L"", true},          {L"   ", true},      {L"firefox", true},  {L"FIREFOX.exe", true},
      {L"建立", true},      {L"  808 ", true},   {L"FE80::1", true},  {L"工作", true},
      {L"4321", true},      {L"chrome", false},  {L"8081", false},    {L"fox.exe8", false},
      {L"已关闭", false},
  };
  for (const auto& c : cases) EXPECT_EQ(RowFilter(c.typed).Matches(row), c.shown) << c.typed;
}

TEST(RowFilter, FoldsLettersBeyondAscii) {
  EXPECT_TRUE(RowFilter(L"ÉCOLE").Matches(std::vector<std::wstring>{L"école.exe"}));
  EXPECT_TRUE(RowFilter(L"ＡＢ").Matches(std::vector<std::wstring>{L"ａｂ"}));
}

}  // namespace
