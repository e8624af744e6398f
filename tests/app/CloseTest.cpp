// Closing the window: one confirmation, the run ends there, and only a run of
// this session is signed off, with its own account.
#include <algorithm>

#include "MainWindowFixture.h"

namespace {

const std::string kOff = "/velmor305/checkoff.asp?wxid=me%40qq.com&cpid=1&pwd=code1";

}  // namespace

class CloseTest : public MainWindowTest {
 protected:
  void Close(int answer = IDOK) {
    prompts.answers = {answer};
    SendMessageW(form->hWnd(), WM_CLOSE, 0, 0);
  }
};

TEST_F(CloseTest, TheRunEndsAtTheConfirmationSoNothingFollowsTheSignOff) {
  Open();
  Mark(0, L"a");
  Start();
  DropPort(8080);
  form->Timer1_Timer();  // its snapshot is still being taken
  const size_t before = RequestCount();
  Close();
  EXPECT_EQ(form->k(), 0);
  Settle();
  EXPECT_TRUE(closed);
  const std::vector<std::string> targets = Targets(before);
  ASSERT_FALSE(targets.empty());
  EXPECT_EQ(targets.back(), kOff);
  EXPECT_EQ(std::count(targets.begin(), targets.end(), kOff), 1);
  EXPECT_FALSE(form->ringon()) << "the tick's snapshot arrived after the run had ended";
}

TEST_F(CloseTest, ASnapshotThatEndsOnlyAfterTheWindowHasGoneLeavesNothingUnderWay) {
  Open();
  Mark(0, L"a");
  Start();
  rows->onFetch = [this] {
    for (int i = 0; i < 500 && !closed; ++i) Sleep(10);
  };
  form->Timer1_Timer();
  Close();
  Settle();
  EXPECT_TRUE(closed);
}

TEST_F(CloseTest, ASecondCloseWhileTheConfirmationIsOpenAddsNothing) {
  Open();
  Mark(0, L"a");
  Start();
  const size_t before = RequestCount();
  prompts.whileOpen = [this] { SendMessageW(form->hWnd(), WM_CLOSE, 0, 0); };
  Close();
  Settle();
  EXPECT_EQ(prompts.shown.size(), 1u);
  EXPECT_EQ(Targets(before), std::vector<std::string>{kOff});
}

TEST_F(CloseTest, AfterAStopTheLastRunsAccountIsSignedOffNotTheFields) {
  Open();
  Mark(0, L"a");
  Start();
  Press();  // stop
  FillAccount(L"you@qq.com", L"other", L"4");
  const size_t before = RequestCount();
  Close();
  Settle();
  EXPECT_EQ(Targets(before), std::vector<std::string>{kOff});
}

TEST_F(CloseTest, EveryWindowOfTheProgramHidesWithTheMainWindow) {
  tips = "欢迎";
  Open();
  form->cf_Click();
  ASSERT_TRUE(IsWindowVisible(form->TipsWindow().hWnd()));
  ASSERT_TRUE(IsWindowVisible(form->OptionsWindow().hWnd()));
  Mark(0, L"a");
  Start();
  AnswerPath("/checkoff.asp", std::nullopt);  // the program waits for it, out of sight
  Close();
  EXPECT_FALSE(IsWindowVisible(form->hWnd()));
  EXPECT_FALSE(IsWindowVisible(form->TipsWindow().hWnd()));
  EXPECT_FALSE(IsWindowVisible(form->OptionsWindow().hWnd()));
  server.reset();
  Settle();
  EXPECT_TRUE(closed);
}
