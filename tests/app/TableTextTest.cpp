#include "TableText.h"

#include <gtest/gtest.h>

namespace {

TEST(TableText, TabSeparatedLinesKeepTheirShape) {
  const TextTable table{{L"PID", L"进程", L"备注"},
                        {{L"100", L"浏览器.exe", L"a\tb"}, {L"200", L"two\r\nlines", L""}}};
  EXPECT_EQ(TabSeparatedText(table),
            L"PID\t进程\t备注\r\n"
            L"100\t浏览器.exe\ta b\r\n"
            L"200\ttwo  lines\t\r\n");
}

TEST(TableText, CsvQuotesOnlyWhatNeedsIt) {
  const struct {
    std::wstring field;
    std::string written;
  } cases[] = {
      {L"plain", "plain"},
      {L"", ""},
      {L"a,b", "\"a,b\""},
      {L"say \"hi\"", "\"say \"\"hi\"\"\""},
      {L"two\r\nlines", "\"two\r\nlines\""},
      {L"line\nfeed", "\"line\nfeed\""},
      {L"监听", "\xE7\x9B\x91\xE5\x90\xAC"},
  };
  for (const auto& c : cases) {
    const std::string bytes = CsvBytes({{L"x", L"y"}, {{c.field, L"end"}}});
    EXPECT_EQ(bytes, "\xEF\xBB\xBFx,y\r\n" + c.written + ",end\r\n") << c.written;
  }
}

}  // namespace
