#include <utility>

#include "MainWindowFixture.h"

namespace {

const std::string kOn = "/velmor305/checkon.asp?wxid=me%40qq.com&cpid=1&pwd=code1";
const std::string kCheck = "/velmor305/config.asp?wxid=me%40qq.com&version=3.0.5";

std::string Reminder(const std::string& escapedKey, const std::string& cpid = "1") {
  return "/velmor305/tx.asp?wxid=me%40qq.com&port=" + escapedKey + "&cpid=" + cpid + "&pwd=code1";
}

}  // namespace

using MonitoringTest = MainWindowTest;

TEST_F(MonitoringTest, DoubleClickMarksTheSelectedRow) {
  Open();
  Mark(0, L"mail");
  EXPECT_EQ(prompts.prompts.back(), L"请录入简短的备注，以便处理，如不填备注，则表示不监控该端口！|备注");
  EXPECT_EQ(form->lvInfo().SubItemText(0, 7), L"mail");
  Mark(0, L"");
  EXPECT_EQ(form->lvInfo().SubItemText(0, 7), L"");

  form->lvInfo().ItemSelected(-1, false);
  prompts.inputs.push_back(L"nowhere");
  form->lvInfo_DblClick();
  for (int row = 0; row < form->lvInfo().Count(); ++row) EXPECT_EQ(form->lvInfo().SubItemText(row, 7), L"");
}

TEST_F(MonitoringTest, AccountChecksStopThePressWithTheirMessages) {
  Open();
  Mark(0, L"mail");
  struct Case {
    const wchar_t* mail;
    const wchar_t* code;
    const wchar_t* id;
    const wchar_t* message;
  } cases[] = {
      {L"XXXX@qq.com", L"c", L"1", L"请填写正确的邮箱，注意只能使用qq.com的邮箱！！"},
      {L"me@163.com", L"c", L"1", L"请填写正确的邮箱，注意只能使用qq.com的邮箱！！"},
      {L"meqq.com", L"c", L"1", L"请填写正确的邮箱，注意只能使用qq.com的邮箱！！"},
      {L"me@qq.com", L"", L"1", L"请填写邮箱授权码！！"},
      {L"me@qq.com", L"c", L"", L"请输入电脑标识！"},
      {L"me@qq.com", L"c", L" 1", L"电脑标识只能是1到5的数字！"},
      {L"me@qq.com", L"c", L"01", L"电脑标识只能是1到5的数字！"},
      {L"me@qq.com", L"c", L"6", L"电脑标识只能是1到5的数字！"},
  };
  for (const Case& c : cases) {
    FillAccount(c.mail, c.code, c.id);
    Press();
    EXPECT_EQ(LastMessage(), c.message) << c.mail << " " << c.code << " [" << c.id << "]";
    EXPECT_EQ(prompts.shown.back().title, L"提示");
    EXPECT_EQ(form->k(), 0);
  }
  EXPECT_EQ(Targets(1), std::vector<std::string>{});
  EXPECT_EQ(form->List1().Count(), 1);
}

TEST_F(MonitoringTest, AddressThatContainsTheDomainFurtherOnPasses) {
  Open();
  Mark(0, L"mail");
  FillAccount(L"me@qq.com.cn", L"code1", L"5");
  Press();
  EXPECT_EQ(form->k(), 1) << LastMessage();
}

TEST_F(MonitoringTest, VersionVerdictBlocksTheStartVerbatim) {
  verdict = "请升级到新版本";
  Open();
  Mark(0, L"mail");
  FillAccount();
  Press();
  EXPECT_EQ(LastMessage(), L"请升级到新版本");
  EXPECT_EQ(form->k(), 0);
  EXPECT_EQ(Targets(1), std::vector<std::string>{kCheck});
}

TEST_F(MonitoringTest, NoMarkedRowMeansNothingToWatch) {
  Open();
  FillAccount();
  Press();
  EXPECT_EQ(LastMessage(), L"你还没有选择要监控的程序！");
  EXPECT_EQ(form->k(), 0);
}

TEST_F(MonitoringTest, StartListsTheEntriesAndTellsTheService) {
  Open();
  Mark(0, L"mail");
  Mark(1, L"   ");  // spaces are a remark too
  Start();
  EXPECT_EQ(form->Command1().Text(), L"单击停止");
  ASSERT_EQ(form->List1().Count(), 3);
  EXPECT_EQ(form->List1().Line(1), L" 电脑标识：1  ，状态：监控中  ，端口：8080备注 mail");
  EXPECT_EQ(form->List1().Line(2), L" 电脑标识：1  ，状态：监控中  ，端口：9090备注    ");
  EXPECT_FALSE(form->pwd().Enabled());
  EXPECT_FALSE(form->txtwxid().Enabled());
  EXPECT_FALSE(form->cpid().Enabled()) << "the run's computer id is fixed at its start";
  // The start itself checks nothing: no reminder before the first tick.
  EXPECT_EQ(Targets(1), (std::vector<std::string>{kCheck, kOn}));
}

TEST_F(MonitoringTest, DroppedPortIsRemindedOnceAndMarked) {
  Open();
  Mark(0, L"备注 & =");
  Mark(1, L"db");
  Start();
  const size_t before = RequestCount();
  Tick();
  EXPECT_EQ(Targets(before), std::vector<std::string>{kOn});
  EXPECT_FALSE(form->ringon());

  DropPort(8080);
  Tick();
  EXPECT_EQ(Targets(before + 1), (std::vector<std::string>{kOn, Reminder("8080%u5907%u6CE8%20%u5907%u6CE8%20%26%20%3D")}));
  EXPECT_TRUE(form->ringon());
  EXPECT_EQ(form->List1().Line(1), L" 电脑标识：1  ，状态：监控中  ，端口：8080备注 备注 & =，提醒状态：已提醒");
  EXPECT_EQ(form->List1().Line(2), L" 电脑标识：1  ，状态：监控中  ，端口：9090备注 db");

  const size_t afterReminder = RequestCount();
  Tick();
  EXPECT_EQ(Targets(afterReminder), std::vector<std::string>{kOn});
  EXPECT_EQ(form->List1().Line(1), L" 电脑标识：1  ，状态：监控中  ，端口：8080备注 备注 & =，提醒状态：已提醒");
}

TEST_F(MonitoringTest, EntriesOnOnePortAreRemindedInOrderAndEqualKeysOnce) {
  Open();
  rows->rows.push_back({300, 8080, 81});
  rows->rows.push_back({301, 8080, 82});
  Refresh();
  Mark(0, L"a");
  Mark(3, L"b");
  Mark(4, L"a");
  Start();
  DropPort(8080);
  const size_t before = RequestCount();
  Tick();
  EXPECT_EQ(Targets(before), (std::vector<std::string>{kOn, Reminder("8080%u5907%u6CE8%20a"),
                                                        Reminder("8080%u5907%u6CE8%20b")}));
  EXPECT_NE(form->List1().Line(1).find(L"已提醒"), std::wstring::npos);
  EXPECT_NE(form->List1().Line(2).find(L"已提醒"), std::wstring::npos);
  EXPECT_EQ(form->List1().Line(3).find(L"已提醒"), std::wstring::npos);
}

TEST_F(MonitoringTest, KeyInsideAnEarlierReminderIsStillReminded) {
  Open();
  rows->rows.push_back({300, 80, 5000});
  Refresh();
  Mark(0, L"a");
  Start();
  DropPort(8080);
  Tick();

  Press();  // stop
  Mark(form->lvInfo().Count() - 1, L"a");  // port 80: key "80备注 a" lies inside "8080备注 a"
  Start();
  DropPort(80);
  const size_t before = RequestCount();
  Tick();
  EXPECT_EQ(Targets(before), (std::vector<std::string>{kOn, Reminder("80%u5907%u6CE8%20a")}));
}

TEST_F(MonitoringTest, FailedSnapshotChecksNothing) {
  Open();
  Mark(0, L"a");
  Start();
  rows->fail = true;
  const size_t before = RequestCount();
  Tick();
  EXPECT_EQ(Targets(before), std::vector<std::string>{kOn});
  EXPECT_FALSE(form->ringon());
  EXPECT_EQ(form->lvInfo().Count(), 3) << "a failed snapshot leaves the list as it was";
}

TEST_F(MonitoringTest, TickDuringARefreshChecksWithTheNextSnapshot) {
  Open();
  Mark(0, L"a");
  Start();
  DropPort(8080);
  // The tick arrives as the timer's message while the refresh's snapshot is
  // being taken: its check takes a snapshot of its own after that one.
  rows->onFetch = [this, first = true]() mutable {
    if (std::exchange(first, false)) SendMessageW(form->hWnd(), WM_TIMER, 1, 0);
  };
  const int fetches = rows->fetches;
  const size_t before = RequestCount();
  form->cmdRefresh_Click();
  Settle();
  EXPECT_EQ(rows->fetches, fetches + 3) << "the refresh's, the check's and the confirmation's";
  EXPECT_EQ(Targets(before), (std::vector<std::string>{kOn, Reminder("8080%u5907%u6CE8%20a")}));
  EXPECT_TRUE(form->ringon());
}

TEST_F(MonitoringTest, PressWhileRunningStopsEvenWithoutMarks) {
  Open();
  Mark(0, L"a");
  Start();
  Tick();  // the refresh clears every mark
  const size_t before = RequestCount();
  Press();
  EXPECT_EQ(form->k(), 0);
  EXPECT_EQ(form->Command1().Text(), L"单击开始");
  EXPECT_TRUE(form->pwd().Enabled());
  EXPECT_TRUE(form->txtwxid().Enabled());
  EXPECT_TRUE(form->cpid().Enabled());
  EXPECT_EQ(Targets(before), std::vector<std::string>{"/velmor305/checkoff.asp?wxid=me%40qq.com&cpid=1&pwd=code1"});
  EXPECT_EQ(form->Text2().Text(), L"Text2\r\n已停止");

  // A tick already queued when the timer stopped must not switch the
  // computer back on at the service.
  DropPort(8080);
  const size_t stopped = RequestCount();
  Tick();
  EXPECT_EQ(Targets(stopped), std::vector<std::string>{});
  EXPECT_FALSE(form->ringon());
}

TEST_F(MonitoringTest, SecondRunAppendsABlockAndMarksItsOwnLine) {
  Open();
  Mark(1, L"first");
  Start();
  Press();
  Refresh();  // the remark stays with its connection, and so joins the second run
  Mark(0, L"second");
  Start();
  ASSERT_EQ(form->List1().Count(), 4);
  DropPort(8080);
  Tick();
  EXPECT_EQ(form->List1().Line(1), L" 电脑标识：1  ，状态：监控中  ，端口：9090备注 first");
  EXPECT_EQ(form->List1().Line(2), L" 电脑标识：1  ，状态：监控中  ，端口：8080备注 second，提醒状态：已提醒");
  EXPECT_EQ(form->List1().Line(3), L" 电脑标识：1  ，状态：监控中  ，端口：9090备注 first");
}

TEST_F(MonitoringTest, TheRunKeepsTheAccountReadAtItsStart) {
  Open();
  Mark(0, L"a");
  Start();
  // Fields changed behind the disabled boxes' backs reach no request of the run.
  SetWindowTextW(form->cpid().hWnd(), L"4");
  SetWindowTextW(form->pwd().hWnd(), L"other");
  SetWindowTextW(form->txtwxid().hWnd(), L"you@qq.com");
  DropPort(8080);
  const size_t before = RequestCount();
  Tick();
  Press();
  EXPECT_EQ(Targets(before), (std::vector<std::string>{kOn, Reminder("8080%u5907%u6CE8%20a"),
                                                        "/velmor305/checkoff.asp?wxid=me%40qq.com&cpid=1&pwd=code1"}));
  EXPECT_EQ(form->List1().Line(1).substr(0, 8), L" 电脑标识：1 ");
}

TEST_F(MonitoringTest, AlarmRingsWhileOnAndTheLocalRingIsSet) {
  Open();
  form->Timer2_Timer();
  EXPECT_TRUE(alarm.played.empty());

  Mark(0, L"a");
  Start();
  DropPort(8080);
  Tick();
  form->Timer2_Timer();
  ASSERT_EQ(alarm.played.size(), 1u);
  EXPECT_TRUE(alarm.played[0].ends_with(L"\\tx.wav"));

  form->cf_Click();
  const CButton& check2 = form->OptionsWindow().Check2();
  ASSERT_TRUE(check2.Checked());
  SendMessageW(check2.hWnd(), BM_CLICK, 0, 0);
  EXPECT_EQ(form->localring(), 0);
  form->Timer2_Timer();
  EXPECT_EQ(alarm.played.size(), 1u);

  Press();  // stopping does not silence it
  SendMessageW(form->OptionsWindow().hWnd(), WM_CLOSE, 0, 0);
  EXPECT_EQ(form->OptionsWindow().hWnd(), nullptr);
  form->cf_Click();
  EXPECT_FALSE(form->OptionsWindow().Check2().Checked());
  SendMessageW(form->OptionsWindow().Check2().hWnd(), BM_CLICK, 0, 0);
  EXPECT_EQ(form->localring(), 1);
  form->Timer2_Timer();
  EXPECT_EQ(alarm.played.size(), 2u);
}

TEST_F(MonitoringTest, AboutMenuFetchesTheTipsAgainAfterClosing) {
  Open();
  tips = "a chr(10)b CHR(10)c";
  form->ab_Click();
  Settle();
  ASSERT_NE(form->TipsWindow().hWnd(), nullptr);
  EXPECT_EQ(form->TipsWindow().Text1().Text(), L"a \r\nb CHR(10)c");
  const size_t before = RequestCount();
  form->ab_Click();  // still open: only brought up
  EXPECT_EQ(RequestCount(), before);
  SendMessageW(form->TipsWindow().hWnd(), WM_CLOSE, 0, 0);
  form->ab_Click();
  Settle();
  EXPECT_EQ(RequestCount(), before + 1);
}

// A remark belongs to its connection: it moves with it through a sort and a
// refresh, the start captures it from there, and it goes when the connection
// goes.
TEST_F(MonitoringTest, RemarksStayWithTheirConnectionThroughSortsAndRefreshes) {
  Open();
  Mark(1, L"b");  // port 9090
  form->lvInfo_ColumnClick(4);
  EXPECT_EQ(form->lvInfo().SubItemText(2, 7), L"b");
  rows->rows.insert(rows->rows.begin(), {300, 70});
  Refresh();
  ASSERT_EQ(form->lvInfo().SubItemText(3, 4), L"9090");
  EXPECT_EQ(form->lvInfo().SubItemText(3, 7), L"b");
  Mark(0, L"a");  // port 70
  Start();
  EXPECT_EQ(form->List1().Line(1), L" 电脑标识：1  ，状态：监控中  ，端口：70备注 a");
  EXPECT_EQ(form->List1().Line(2), L" 电脑标识：1  ，状态：监控中  ，端口：9090备注 b");

  Press();
  DropPort(9090);
  Refresh();
  Mark(0, L"");
  Press();
  EXPECT_EQ(LastMessage(), L"你还没有选择要监控的程序！");
}
