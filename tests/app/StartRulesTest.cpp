// A start holds the service's own rules for the code and the watch keys
// before it asks the service anything, and ends when the service refuses it.
#include "MainWindowFixture.h"

using StartRulesTest = MainWindowTest;

TEST_F(StartRulesTest, CodesTheServiceWouldRefuseStopThePressWithTheRuleTheyBreak) {
  Open();
  Mark(0, L"a");
  const std::wstring tooLong(65, L'x');
  struct Case {
    std::wstring code;
    const wchar_t* message;
  } cases[] = {
      {L"co de", L"邮箱授权码不能包含空格！"},
      {tooLong, L"邮箱授权码最多64个字符！"},
      {L"pässword", L"邮箱授权码只能由英文字母、数字和英文符号组成！"},
      {L"ab\tcd", L"邮箱授权码只能由英文字母、数字和英文符号组成！"},
      {L"ab\x7f", L"邮箱授权码只能由英文字母、数字和英文符号组成！"},
  };
  for (const Case& c : cases) {
    FillAccount(L"me@qq.com", c.code);
    Press();
    EXPECT_EQ(LastMessage(), c.message) << c.code.size();
    EXPECT_EQ(LastMessage().find(c.code), std::wstring::npos) << "the message never shows the code";
    EXPECT_EQ(form->k(), 0);
  }
  EXPECT_EQ(Targets(1), std::vector<std::string>{}) << "nothing was asked of the service";

  FillAccount(L"me@qq.com", std::wstring(64, L'~'));
  Press();
  EXPECT_EQ(form->k(), 1) << LastMessage();
}

TEST_F(StartRulesTest, RemarksTheServiceWouldRefuseStopThePress) {
  Open();
  // "8080备注 " is 11 bytes in UTF-8; each 汉 three more.
  const std::wstring fits = std::wstring(166, L'汉') + L"abc";  // 11 + 498 + 3 = 512
  struct Case {
    std::wstring remark;
    const wchar_t* message;  // nullptr: the start goes on
  } cases[] = {
      {L"mail\tbox", L"端口8080的备注不能包含制表符、换行等控制字符！"},
      {L"a\r\nb", L"端口8080的备注不能包含制表符、换行等控制字符！"},
      {L"del\x7f", L"端口8080的备注不能包含制表符、换行等控制字符！"},
      {fits + L"c", L"端口8080的备注太长，请写得简短些！"},
      {fits, nullptr},
  };
  FillAccount();
  for (const Case& c : cases) {
    Mark(0, c.remark);
    Press();
    if (!c.message) {
      EXPECT_EQ(form->k(), 1) << LastMessage();
      continue;
    }
    EXPECT_EQ(LastMessage(), c.message) << c.remark.size();
    EXPECT_EQ(form->k(), 0);
    EXPECT_EQ(Targets(1), std::vector<std::string>{});
  }
}

TEST_F(StartRulesTest, ARefusedMonitoringOnEndsTheRunWithTheServicesReason) {
  Open();
  Mark(0, L"a");
  AnswerPath("/checkon.asp", Status(400, "参数 pwd 无效"));
  FillAccount();
  Press();
  EXPECT_EQ(LastMessage(), L"参数 pwd 无效");
  EXPECT_EQ(form->k(), 0);
  EXPECT_EQ(form->Command1().Text(), L"单击开始");
  EXPECT_TRUE(form->pwd().Enabled());
  EXPECT_TRUE(form->txtwxid().Enabled());
  EXPECT_TRUE(form->cpid().Enabled());
  const size_t before = RequestCount();
  Tick();
  EXPECT_EQ(RequestCount(), before) << "no heartbeat after the refusal";

  // Later refusals of a running start only reach the status bar.
  AnswerPath("/checkon.asp", Ok("ok"));
  Refresh();
  Mark(0, L"a");
  Press();
  ASSERT_EQ(form->k(), 1);
  AnswerPath("/checkon.asp", Status(400, "账号已停用"));
  const size_t messages = prompts.shown.size();
  Tick();
  EXPECT_EQ(form->k(), 1);
  EXPECT_EQ(prompts.shown.size(), messages);
  EXPECT_NE(form->StatusBar().Text(1).find(L"账号已停用"), std::wstring::npos);
}
