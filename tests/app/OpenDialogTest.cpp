// Whatever box the user leaves open, the monitoring cycle goes on beneath it.
#include <algorithm>

#include "MainWindowFixture.h"

namespace {

const std::string kReminder = "/velmor305/tx.asp?wxid=me%40qq.com&port=8080%u5907%u6CE8%20a&cpid=1&pwd=code1";

size_t Count(const std::vector<std::string>& targets, const std::string& target) {
  return static_cast<size_t>(std::count(targets.begin(), targets.end(), target));
}

}  // namespace

class OpenDialogTest : public MainWindowTest {
 protected:
  // Inside the open box: the watched port goes, two ticks come, and what the
  // service saw meanwhile is kept.
  void DropAndTickTwice() {
    const size_t before = RequestCount();
    DropPort(8080);
    Tick();
    Tick();
    seenWhileOpen = Targets(before);
    ringingWhileOpen = form->ringon();
  }

  std::vector<std::string> seenWhileOpen;
  bool ringingWhileOpen = false;
};

// Ticks go on while the remark box is open.
TEST_F(OpenDialogTest, TicksCheckAndRemindWhileTheRemarkBoxIsOpen) {
  Open();
  Mark(0, L"a");
  Start();
  int rowsWhenOpened = -1;
  prompts.whileOpen = [&] {
    rowsWhenOpened = form->lvInfo().Count();
    DropAndTickTwice();
  };
  const size_t promptsBefore = prompts.prompts.size();
  form->lvInfo_DblClick();
  ASSERT_EQ(prompts.prompts.size(), promptsBefore + 1) << "the remark box opened";
  EXPECT_EQ(rowsWhenOpened, 3);
  // The window's own timer may add a tick on a slow machine.
  EXPECT_GE(Count(seenWhileOpen, "/velmor305/checkon.asp?wxid=me%40qq.com&cpid=1&pwd=code1"), 2u);
  EXPECT_EQ(Count(seenWhileOpen, kReminder), 1u);
  EXPECT_TRUE(ringingWhileOpen);
  EXPECT_NE(form->List1().Line(1).find(L"已提醒"), std::wstring::npos);
}

TEST_F(OpenDialogTest, TicksCheckAndRemindWhileTheCloseConfirmationIsOpen) {
  Open();
  Mark(0, L"a");
  Start();
  prompts.answers = {IDCANCEL};
  prompts.whileOpen = [this] { DropAndTickTwice(); };
  SendMessageW(form->hWnd(), WM_CLOSE, 0, 0);
  EXPECT_EQ(Count(seenWhileOpen, kReminder), 1u);
  EXPECT_TRUE(ringingWhileOpen);
  EXPECT_EQ(form->k(), 1);
  EXPECT_TRUE(IsWindowVisible(form->hWnd()));
}

// A message box that a service answer opens (here: the start's notice that
// the service is out of reach) holds no tick either.
TEST_F(OpenDialogTest, TicksCheckWhileAMessageBoxIsOpen) {
  Open();
  Mark(0, L"a");
  FillAccount();
  AnswerPath("/config.asp", Status(503, "busy"));
  prompts.whileOpen = [this] {
    AnswerPath("/config.asp", Ok(""));
    DropAndTickTwice();
  };
  Press();
  ASSERT_EQ(form->k(), 1);
  EXPECT_EQ(Count(seenWhileOpen, kReminder), 1u);
}
