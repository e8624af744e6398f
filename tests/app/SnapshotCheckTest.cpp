// A drop is told only when two snapshots agree; failing snapshots stop
// neither the heartbeats nor the reminders' retries, and are shown.
#include <utility>

#include "MainWindowFixture.h"

namespace {

const std::string kOn = "/velmor305/checkon.asp?wxid=me%40qq.com&cpid=1&pwd=code1";
const std::string kReminder = "/velmor305/tx.asp?wxid=me%40qq.com&port=8080%u5907%u6CE8%20a&cpid=1&pwd=code1";

}  // namespace

class SnapshotCheckTest : public MainWindowTest {
 protected:
  // The next snapshots, one after the other: with or without port 8080, or failing.
  enum class Shot { With, Without, Fails };
  void NextSnapshots(std::vector<Shot> shots) {
    const std::vector<FakeRows::Row> all = rows->rows;
    rows->onFetch = [this, all, shots, next = size_t{0}]() mutable {
      const Shot shot = next < shots.size() ? shots[next++] : Shot::With;
      rows->rows = all;
      if (shot == Shot::Without) DropPort(8080);
      rows->fail = shot == Shot::Fails;
    };
  }
};

TEST_F(SnapshotCheckTest, APortMissingFromOneSnapshotOnlyIsNoDrop) {
  Open();
  Mark(0, L"a");
  Start();
  struct Case {
    std::vector<Shot> shots;
    const char* what;
  } cases[] = {
      {{Shot::Without, Shot::With}, "found again by the confirming snapshot"},
      {{Shot::Without, Shot::Fails}, "the confirming snapshot failed"},
  };
  for (const Case& c : cases) {
    NextSnapshots(c.shots);
    const int fetches = rows->fetches;
    const size_t before = RequestCount();
    Tick();
    EXPECT_EQ(rows->fetches, fetches + 2) << c.what;
    EXPECT_EQ(Targets(before), std::vector<std::string>{kOn}) << c.what;
    EXPECT_FALSE(form->ringon()) << c.what;
    EXPECT_EQ(form->List1().Line(1).find(L"提醒状态"), std::wstring::npos) << c.what;
  }

  NextSnapshots({Shot::Without, Shot::Without});
  const size_t before = RequestCount();
  Tick();
  EXPECT_EQ(Targets(before), (std::vector<std::string>{kOn, kReminder}));
  EXPECT_TRUE(form->ringon());
}

TEST_F(SnapshotCheckTest, RetriesGoOnWhileSnapshotsFailAndThreeFailuresInARowShow) {
  Open();
  Mark(0, L"a");
  Start();
  AnswerPath("/tx.asp", Status(503, "提醒队列已满，请稍后再试"));
  DropPort(8080);
  Tick();
  ASSERT_EQ(form->List1().Line(1).substr(form->List1().Line(1).size() - 5), L"待服务确认");

  rows->fail = true;
  for (int tick = 1; tick <= 3; ++tick) {
    const size_t before = RequestCount();
    Tick();
    EXPECT_EQ(Targets(before), (std::vector<std::string>{kOn, kReminder})) << tick;
    EXPECT_EQ(form->StatusBar().Text(2), tick < 3 ? L"" : L"连接列表读取失败") << tick;
    EXPECT_EQ(form->SnapshotRetryDelay(), 0u) << "the ticks retry";
  }
  rows->fail = false;
  AnswerPath("/tx.asp", Ok("ok"));
  Tick();
  EXPECT_EQ(form->StatusBar().Text(2), L"");
  EXPECT_NE(form->List1().Line(1).find(L"已提醒"), std::wstring::npos);
}

// Outside monitoring no tick would mend a failed snapshot, and the first one
// leaves the list empty: it is taken again, ever more seldom, one at a time,
// until one is read.
TEST_F(SnapshotCheckTest, AFailedSnapshotOutsideMonitoringIsRetriedUntilOneIsRead) {
  firstFetch = [this] { rows->fail = true; };
  Open();
  EXPECT_EQ(form->lvInfo().Count(), 0);
  EXPECT_EQ(form->StatusBar().Text(2), L"连接列表读取失败");
  EXPECT_EQ(form->SnapshotRetryDelay(), 1000u);
  rows->onFetch = nullptr;
  for (const UINT delay : {2000u, 5000u, 20000u, 20000u}) {
    const int fetches = rows->fetches;
    form->SnapshotRetry_Timer();
    Settle();
    EXPECT_EQ(rows->fetches, fetches + 1);
    EXPECT_EQ(form->SnapshotRetryDelay(), delay);
  }

  // The timer's message while the retry's snapshot is being taken starts none.
  rows->onFetch = [this, first = true]() mutable {
    if (std::exchange(first, false)) SendMessageW(form->hWnd(), WM_TIMER, 3, 0);
  };
  const int fetches = rows->fetches;
  form->SnapshotRetry_Timer();
  Settle();
  EXPECT_EQ(rows->fetches, fetches + 1);

  rows->onFetch = nullptr;
  rows->fail = false;
  form->SnapshotRetry_Timer();
  Settle();
  EXPECT_EQ(form->lvInfo().Count(), 3);
  EXPECT_EQ(form->StatusBar().Text(2), L"");
  EXPECT_EQ(form->SnapshotRetryDelay(), 0u);
}
