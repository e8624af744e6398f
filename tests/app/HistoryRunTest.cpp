// What a run leaves in the history, the balloons and the icon's tip, with the
// loopback service answering, refusing or failing.
#include <algorithm>

#include "MainWindowFixture.h"

namespace {

std::wstring ScratchHistory(const wchar_t* leaf) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp) + L"lumora-history-run-test";
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring path = folder + L"\\" + leaf;
  DeleteFileW(path.c_str());
  DeleteFileW((path + L".1").c_str());
  return path;
}

}  // namespace

class HistoryRunTest : public MainWindowTest {
 protected:
  void UseHistory(const wchar_t* leaf) {
    history = HistoryLog(ScratchHistory(leaf), [this] {
      LocalStamp stamp;
      stamp.local = {2026, 12, 4, 3, 9, 0, static_cast<WORD>(seconds++), 0};
      stamp.offsetMinutes = 480;
      return stamp;
    });
  }
  // The events written, oldest first, as "event|entry|details".
  std::vector<std::wstring> Written() const {
    std::vector<std::wstring> lines;
    for (const HistoryRecord& record : history.Recent(100)) {
      lines.push_back(record.event + L"|" + record.entry + L"|" + record.details);
    }
    std::reverse(lines.begin(), lines.end());
    return lines;
  }

  int seconds = 0;
};

TEST_F(HistoryRunTest, DropToAcknowledgementIsWrittenWithTimesAndToldOnce) {
  UseHistory(L"ack.log");
  Open();
  Mark(0, L"数据库");
  Start();
  AnswerPath("/tx.asp", Status(503, "busy"));
  DropPort(8080);
  Tick();
  EXPECT_EQ(form->TrayIcon()->Tip(), L"Lumora：1 项已断开");
  AnswerPath("/tx.asp", Ok("ok"));
  Tick();
  Tick();
  Press();
  EXPECT_EQ(Written(), (std::vector<std::wstring>{L"监控开始||", L"确认断开|8080备注 数据库|",
                                                  L"提醒已排队|8080备注 数据库|", L"提醒已确认|8080备注 数据库|HTTP 200",
                                                  L"监控停止||"}));
  const std::vector<HistoryRecord> newest = history.Recent(100);
  EXPECT_EQ(newest.back().time, L"2026-12-03T09:00:00+08:00");
  EXPECT_EQ(newest.front().time, L"2026-12-03T09:00:04+08:00");
  EXPECT_EQ(newest.front().computer, L"1");
  for (const HistoryRecord& record : newest) EXPECT_EQ(record.details.find(L"code1"), std::wstring::npos);
  EXPECT_EQ(shell.Balloons(), std::vector<std::wstring>{L"端口 8080（数据库）已断开"});
  EXPECT_EQ(form->TrayIcon()->Tip(), L"Lumora：未监控");
}

TEST_F(HistoryRunTest, RefusalIsWrittenWithTheReasonAndStatus) {
  UseHistory(L"refused.log");
  Open();
  Mark(0, L"a");
  Start();
  AnswerPath("/tx.asp", Status(400, "参数 port 无效"));
  DropPort(8080);
  Tick();
  Tick();
  EXPECT_EQ(Written(), (std::vector<std::wstring>{L"监控开始||", L"确认断开|8080备注 a|", L"提醒已排队|8080备注 a|",
                                                  L"提醒被拒绝|8080备注 a|参数 port 无效（HTTP 400）"}));
  EXPECT_EQ(shell.Balloons(),
            (std::vector<std::wstring>{L"端口 8080（a）已断开", L"端口 8080（a）的提醒被服务拒绝：参数 port 无效（HTTP 400）"}));
}

// Five ticks with the service failing: the third missed heartbeat and the
// third failed try are each told once, then the service's return.
TEST_F(HistoryRunTest, AFailingServiceIsToldOnceAndItsReturnOnce) {
  UseHistory(L"down.log");
  Open();
  Mark(0, L"a");
  Start();
  AnswerPath("/checkon.asp", Status(503, "down"));
  AnswerPath("/tx.asp", Status(503, "down"));
  DropPort(8080);
  for (int i = 0; i < 5; ++i) Tick();
  AnswerPath("/checkon.asp", Ok("ok"));
  AnswerPath("/tx.asp", Ok("ok"));
  Tick();
  EXPECT_EQ(shell.Balloons(), (std::vector<std::wstring>{L"端口 8080（a）已断开", L"提醒服务连续三次无法连接",
                                                         L"端口 8080（a）的提醒试了三次仍未送达", L"提醒服务已恢复连接"}));
  const std::vector<std::wstring> written = Written();
  EXPECT_EQ(std::count(written.begin(), written.end(), L"服务无法连接||HTTP 503"), 1);
  EXPECT_EQ(std::count(written.begin(), written.end(), L"提醒未送达|8080备注 a|已试 3 次：HTTP 503"), 1);
  EXPECT_EQ(written.back(), L"提醒已确认|8080备注 a|HTTP 200");
}

TEST_F(HistoryRunTest, AFailedWriteIsShownOnceAndMonitoringGoesOn) {
  const std::wstring blocker = ScratchHistory(L"blocker");
  CloseHandle(CreateFileW(blocker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  history = HistoryLog(blocker + L"\\history.log");
  Open();
  Mark(0, L"a");
  Start();
  EXPECT_NE(form->StatusBar().Text(1).find(L"历史记录无法写入"), std::wstring::npos) << form->StatusBar().Text(1);
  SendMessageW(form->StatusBar().hWnd(), SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(L""));
  DropPort(8080);
  const size_t before = RequestCount();
  Tick();
  EXPECT_EQ(form->k(), 1);
  EXPECT_EQ(form->StatusBar().Text(1), L"") << "shown once";
  const std::vector<std::string> targets = Targets(before);
  EXPECT_TRUE(std::any_of(targets.begin(), targets.end(), [](const std::string& t) { return t.find("/tx.asp") != std::string::npos; }));
  EXPECT_EQ(shell.Balloons(), std::vector<std::wstring>{L"端口 8080（a）已断开"});
  DeleteFileW(blocker.c_str());
}
