// The window's conversation with the reminder service when the service
// refuses, fails, hangs or comes back.
#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <utility>

#include "MainWindowFixture.h"

namespace {

const std::string kOn = "/velmor305/checkon.asp?wxid=me%40qq.com&cpid=1&pwd=code1";
const std::string kOff = "/velmor305/checkoff.asp?wxid=me%40qq.com&cpid=1&pwd=code1";
const std::string kReminder = "/velmor305/tx.asp?wxid=me%40qq.com&port=8080%u5907%u6CE8%20a&cpid=1&pwd=code1";
const std::wstring kLine = L" 电脑标识：1  ，状态：监控中  ，端口：8080备注 a";

}  // namespace

class ServiceConversationTest : public MainWindowTest {
 protected:
  // Handles messages for a while, as the message loop would.
  void Pump(DWORD milliseconds) {
    const ULONGLONG end = GetTickCount64() + milliseconds;
    while (GetTickCount64() < end) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
      DoEvents();
    }
  }
  // Waits until the service has seen count requests in all.
  void AwaitRequests(size_t count) {
    const ULONGLONG end = GetTickCount64() + 5000;
    while (RequestCount() < count && GetTickCount64() < end) Pump(10);
    ASSERT_GE(RequestCount(), count);
  }
};

TEST_F(ServiceConversationTest, WindowAnswersWithin100MsWhileTheServiceHangs) {
  Open();
  Mark(0, L"a");
  Start();
  AnswerPath("/checkon.asp", std::nullopt);
  AnswerPath("/tx.asp", std::nullopt);
  DropPort(8080);

  const HWND window = form->hWnd();
  std::atomic<bool> done{false};
  std::atomic<int> probes{0}, late{0};
  std::thread probe([&] {
    while (!done) {
      DWORD_PTR result = 0;
      if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 100, &result)) ++late;
      ++probes;
      Sleep(20);
    }
  });
  form->Timer1_Timer();    // heartbeat and reminder hang
  Pump(300);
  form->Command1_Click();  // the stop queues behind them
  Pump(700);
  done = true;
  probe.join();

  EXPECT_EQ(late, 0) << "of " << probes << " probes";
  EXPECT_GE(probes, 10);
  EXPECT_EQ(form->k(), 0);
  EXPECT_EQ(form->List1().Line(1), kLine + L"，提醒状态：待服务确认");

  server.reset();  // the hanging requests fail at once
  Settle();
  EXPECT_EQ(form->List1().Line(1), kLine + L"，提醒状态：未送达");
}

TEST_F(ServiceConversationTest, FailedReminderIsRepeatedUntilAcknowledgedThenNeverAgain) {
  Open();
  Mark(0, L"a");
  Start();
  AnswerPath("/tx.asp", Status(503, "提醒队列已满，请稍后再试"));
  DropPort(8080);
  size_t before = RequestCount();
  Tick();
  EXPECT_EQ(Targets(before), (std::vector<std::string>{kOn, kReminder}));
  EXPECT_EQ(form->List1().Line(1), kLine + L"，提醒状态：待服务确认");
  EXPECT_TRUE(form->ringon());
  EXPECT_NE(form->StatusBar().Text(0).find(L"服务出错（503）"), std::wstring::npos) << form->StatusBar().Text(0);

  AnswerPath("/tx.asp", Status(500, "服务内部错误"));
  before = RequestCount();
  Tick();
  EXPECT_EQ(Targets(before), (std::vector<std::string>{kOn, kReminder}));
  EXPECT_EQ(form->List1().Line(1), kLine + L"，提醒状态：待服务确认");

  AnswerPath("/tx.asp", Ok("ok"));
  before = RequestCount();
  Tick();
  EXPECT_EQ(Targets(before), (std::vector<std::string>{kOn, kReminder}));
  EXPECT_EQ(form->List1().Line(1), kLine + L"，提醒状态：已提醒");
  EXPECT_NE(form->StatusBar().Text(0).find(L"请求已送达"), std::wstring::npos);

  before = RequestCount();
  Tick();
  Tick();
  EXPECT_EQ(Targets(before), (std::vector<std::string>{kOn, kOn}));
  EXPECT_EQ(form->List1().Line(1), kLine + L"，提醒状态：已提醒");
}

TEST_F(ServiceConversationTest, RefusedReminderShowsTheReasonAndIsNotRepeated) {
  Open();
  Mark(0, L"a");
  Start();
  AnswerPath("/tx.asp", Status(400, "参数 port 无效"));
  DropPort(8080);
  Tick();
  EXPECT_EQ(form->List1().Line(1), kLine + L"，提醒状态：被拒绝（参数 port 无效）");
  EXPECT_NE(form->StatusBar().Text(0).find(L"请求被拒绝"), std::wstring::npos);
  EXPECT_NE(form->StatusBar().Text(1).find(L"参数 port 无效"), std::wstring::npos) << form->StatusBar().Text(1);

  const size_t before = RequestCount();
  Tick();
  EXPECT_EQ(Targets(before), std::vector<std::string>{kOn});
  // The reason stays in view after later requests went through.
  EXPECT_NE(form->StatusBar().Text(1).find(L"参数 port 无效"), std::wstring::npos);
}

TEST_F(ServiceConversationTest, RefusedVersionCheckBlocksTheStartWithTheServiceReason) {
  Open();
  Mark(0, L"a");
  AnswerPath("/config.asp", Status(400, "邮箱必须是 qq.com 的邮箱"));
  FillAccount(L"me@qq.com.cn");
  const size_t before = RequestCount();
  Press();
  EXPECT_EQ(LastMessage(), L"邮箱必须是 qq.com 的邮箱");
  EXPECT_EQ(form->k(), 0);
  EXPECT_EQ(form->Command1().Text(), L"开始/停止");
  EXPECT_TRUE(form->Command1().Enabled());
  EXPECT_EQ(Targets(before).size(), 1u) << "nothing after the version check";
}

// The start waits for the version check without taking a second press; when
// the service cannot be reached, monitoring starts and says so. Its dropped
// watch is reminded once the service is back.
TEST_F(ServiceConversationTest, StartGoesOnWhenTheServiceIsDownAndRemindsWhenItReturns) {
  Open();
  const unsigned short port = server->Port();
  Mark(0, L"a");
  FillAccount();
  AnswerPath("/config.asp", std::nullopt);
  const size_t before = RequestCount();
  form->Command1_Click();
  form->Command1_Click();
  EXPECT_FALSE(form->Command1().Enabled());
  AwaitRequests(before + 1);
  Pump(100);
  EXPECT_EQ(RequestCount(), before + 1) << "one version check only";
  EXPECT_EQ(form->k(), 0);

  server.reset();  // down: the check fails
  Settle();
  ASSERT_EQ(form->k(), 1);
  EXPECT_TRUE(form->Command1().Enabled());
  EXPECT_TRUE(LastMessage().starts_with(L"暂时连不上提醒服务（无法连接或无应答")) << LastMessage();
  EXPECT_TRUE(LastMessage().ends_with(L"），监控照常开始：掉线时本地铃声照常提醒，提醒邮件等服务恢复后补发。"));
  EXPECT_NE(form->StatusBar().Text(0).find(L"服务拒绝连接"), std::wstring::npos);

  DropPort(8080);
  Tick();
  EXPECT_TRUE(form->ringon());
  EXPECT_EQ(form->List1().Line(1), kLine + L"，提醒状态：待服务确认");

  server = std::make_unique<LoopbackHttpServer>(
      [this](const LoopbackHttpServer::Request& request) { return Answer(request.target); }, port);
  Tick();
  Tick();
  EXPECT_EQ(Targets(), (std::vector<std::string>{kOn, kReminder, kOn}));
  EXPECT_EQ(form->List1().Line(1), kLine + L"，提醒状态：已提醒");
}

TEST_F(ServiceConversationTest, NewStartRearmsItsEntries) {
  Open();
  Mark(0, L"a");
  Start();
  DropPort(8080);
  Tick();
  Press();  // stop
  rows->rows.push_back({100, 8080, 80});
  Refresh();
  Mark(form->lvInfo().Count() - 1, L"a");
  Start();
  DropPort(8080);
  const size_t before = RequestCount();
  Tick();
  EXPECT_EQ(Targets(before), (std::vector<std::string>{kOn, kReminder}));
  EXPECT_EQ(form->List1().Line(2), kLine + L"，提醒状态：已提醒");
}

TEST_F(ServiceConversationTest, TickInsideAnotherTicksRefreshStillSendsItsHeartbeat) {
  Open();
  Mark(0, L"a");
  Start();
  // The fetch runs off the window's thread: the tick arrives as the timer's
  // message, handled while the window waits for the snapshot.
  rows->onFetch = [this, first = true]() mutable {
    if (std::exchange(first, false)) SendMessageW(form->hWnd(), WM_TIMER, 1, 0);
  };
  const size_t before = RequestCount();
  Tick();
  EXPECT_EQ(Targets(before), (std::vector<std::string>{kOn, kOn}));
}

TEST_F(ServiceConversationTest, CloseHidesAtOnceAndEndsWhenTheRunIsSignedOff) {
  Open();
  Mark(0, L"a");
  Start();
  SetWindowTextW(form->cpid().hWnd(), L"4");
  AnswerPath("/checkoff.asp", std::nullopt);
  const size_t before = RequestCount();
  SendMessageW(form->hWnd(), WM_CLOSE, 0, 0);
  ASSERT_NE(form->hWnd(), nullptr);
  EXPECT_FALSE(IsWindowVisible(form->hWnd()));
  AwaitRequests(before + 1);
  Pump(200);
  EXPECT_FALSE(closed) << "the program waits for the monitoring-off answer";
  EXPECT_EQ(Targets(before), std::vector<std::string>{kOff});

  server.reset();  // the answer: a failure
  Settle();
  EXPECT_TRUE(closed);
  EXPECT_EQ(form->hWnd(), nullptr);
}

TEST_F(ServiceConversationTest, AddressAndComputerIdAreRememberedButNeverTheCode) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring path = std::wstring(temp) + L"lumora-window-test\\remembered.ini";
  DeleteFileW(path.c_str());
  settings = Settings(path);
  Open();
  EXPECT_EQ(form->txtwxid().Text(), L"XXXX@qq.com");
  Mark(0, L"a");
  FillAccount(L"用户@qq.com", L"secret-code", L"3");
  Press();
  ASSERT_EQ(form->k(), 1) << LastMessage();
  form.reset();

  Open();
  EXPECT_EQ(form->txtwxid().Text(), L"用户@qq.com");
  EXPECT_EQ(form->cpid().Text(), L"3");
  EXPECT_EQ(form->pwd().Text(), L"");
  std::ifstream file(std::filesystem::path(path), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const std::string code("s\0e\0c\0r\0e\0t", 11);  // UTF-16 of the code's start
  EXPECT_FALSE(bytes.empty());
  EXPECT_EQ(bytes.find(code), std::string::npos);
  file.close();
  DeleteFileW(path.c_str());
}
