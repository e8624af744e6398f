#include "TrayTexts.h"

#include <gtest/gtest.h>

#include "NotifyIcon.h"
#include "FakeShell.h"
#include "ServiceReach.h"

namespace {

TEST(TrayTexts, TipSaysTheState) {
  EXPECT_EQ(TrayTip(false, 0, 0), L"Lumora：未监控");
  EXPECT_EQ(TrayTip(false, 3, 2), L"Lumora：未监控");
  EXPECT_EQ(TrayTip(true, 3, 0), L"Lumora：监控中，3 项");
  EXPECT_EQ(TrayTip(true, 3, 2), L"Lumora：2 项已断开");
}

TEST(TrayTexts, BalloonsForTheEventsThatCallTheUser) {
  using K = MonitorEventKind;
  struct Case {
    MonitorEvent event;
    std::optional<std::wstring> balloon;
  } cases[] = {
      {{K::DropConfirmed, L"8080备注 数据库", L""}, L"端口 8080（数据库）已断开"},
      {{K::DropConfirmed, L"80备注  两个空格", L""}, L"端口 80（ 两个空格）已断开"},
      {{K::ReminderRefused, L"8080备注 db", L"参数 pwd 无效"}, L"端口 8080（db）的提醒被服务拒绝：参数 pwd 无效"},
      {{K::ReminderNotDelivered, L"8080备注 db", L""}, L"端口 8080（db）的提醒试了三次仍未送达"},
      {{K::ServiceUnreachable, L"", L""}, L"提醒服务连续三次无法连接"},
      {{K::ServiceBack, L"", L""}, L"提醒服务已恢复连接"},
      {{K::Started, L"", L""}, std::nullopt},
      {{K::Stopped, L"", L""}, std::nullopt},
      {{K::ReminderQueued, L"8080备注 db", L""}, std::nullopt},
      {{K::ReminderAcknowledged, L"8080备注 db", L""}, std::nullopt},
      {{K::SnapshotFailed, L"", L""}, std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(BalloonText(c.event), c.balloon) << EventName(c.event.kind);
}

TEST(ServiceReach, ThreeMissedTicksInARowThenBackOnceEach) {
  using K = MonitorEventKind;
  ServiceReach reach;
  struct Step {
    bool reached;
    std::optional<K> event;
  } steps[] = {
      {false, {}}, {false, {}}, {true, {}},                      // two misses do not count
      {false, {}}, {false, {}}, {false, K::ServiceUnreachable},  // the third in a row does
      {false, {}}, {false, {}},                                  // and only once
      {true, K::ServiceBack},  {true, {}},
      {false, {}}, {false, {}}, {false, K::ServiceUnreachable},
  };
  int i = 0;
  for (const Step& step : steps) EXPECT_EQ(reach.Heartbeat(step.reached), step.event) << "step " << i++;
}

TEST(NotifyIcon, AddsTipsBalloonsAndRemovesAtTheEnd) {
  FakeShell shell;
  {
    NotifyIcon icon(shell, WM_APP + 5);
    icon.Balloon(L"Lumora", L"before the icon");
    ASSERT_TRUE(icon.Add(reinterpret_cast<HWND>(1), nullptr, L"Lumora：未监控"));
    icon.SetTip(L"Lumora：未监控");
    icon.SetTip(L"Lumora：监控中，1 项");
    icon.Balloon(L"Lumora", L"端口 1（a）已断开");
  }
  ASSERT_EQ(shell.calls.size(), 4u);
  EXPECT_EQ(shell.calls[0].message, static_cast<DWORD>(NIM_ADD));
  EXPECT_EQ(shell.calls[0].tip, L"Lumora：未监控");
  EXPECT_EQ(shell.calls[1].message, static_cast<DWORD>(NIM_MODIFY));
  EXPECT_EQ(shell.calls[1].tip, L"Lumora：监控中，1 项");
  EXPECT_EQ(shell.Balloons(), std::vector<std::wstring>{L"端口 1（a）已断开"});
  EXPECT_EQ(shell.calls[3].message, static_cast<DWORD>(NIM_DELETE));
}

TEST(NotifyIcon, AShellThatRefusedTakesTheIconOnReadd) {
  FakeShell shell;
  shell.accept = false;
  NotifyIcon icon(shell, WM_APP + 5);
  EXPECT_FALSE(icon.Add(reinterpret_cast<HWND>(1), nullptr, L"a"));
  icon.Balloon(L"Lumora", L"lost");
  shell.accept = true;
  EXPECT_TRUE(icon.Readd());
  EXPECT_TRUE(icon.Shown());
  EXPECT_EQ(shell.Count(NIM_ADD), 2u);
  EXPECT_TRUE(shell.Balloons().empty());
  icon.Remove();
  icon.Remove();
  EXPECT_EQ(shell.Count(NIM_DELETE), 1u);
}

}  // namespace
