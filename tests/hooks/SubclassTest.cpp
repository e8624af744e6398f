#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "Subclass.h"

using ::testing::ElementsAre;

namespace {

constexpr UINT kDouble = WM_APP + 1;  // the window's own procedure answers 2 * wParam
constexpr UINT kOther = WM_APP + 2;

// The window's own procedure: remembers what it received.
std::vector<std::string> g_received;

LRESULT CALLBACK OriginalProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  if (uMsg == kDouble || uMsg == kOther) {
    g_received.push_back(std::to_string(uMsg - WM_APP) + ":" + std::to_string(wParam));
    return static_cast<LRESULT>(2 * wParam);
  }
  return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

HWND NewWindow() {
  static const ATOM cls = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = OriginalProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"SubclassTestWindow";
    return RegisterClassW(&wc);
  }();
  return CreateWindowExW(0, MAKEINTATOM(cls), L"", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr),
                         nullptr);
}

struct Owner : ISubclassOwner {
  std::vector<std::string> calls;
  std::function<void(bool, bool&, LRESULT&, HWND&, UINT&, WPARAM&, LPARAM&)> handler;

  void zSubclass_Proc(bool bBefore, bool& bHandled, LRESULT& lReturn, HWND& hWnd, UINT& uMsg, WPARAM& wParam,
                      LPARAM& lParam) override {
    if (uMsg == kDouble || uMsg == kOther)
      calls.push_back(std::string(bBefore ? "before " : "after ") + std::to_string(uMsg - WM_APP));
    if (handler) handler(bBefore, bHandled, lReturn, hWnd, uMsg, wParam, lParam);
  }
};

class Subclass : public ::testing::Test {
 protected:
  void SetUp() override { g_received.clear(); }
  void TearDown() override {
    for (HWND w : windows) DestroyWindow(w);
  }
  HWND Window() { return windows.emplace_back(NewWindow()); }

  std::vector<HWND> windows;
  Owner owner;
};

}  // namespace

TEST_F(Subclass, AHookedWindowWithoutMessagesBehavesAsBefore) {
  cSubclass subclass(owner);
  const HWND w = Window();
  ASSERT_EQ(subclass.SubclassStart(w), 0);
  EXPECT_EQ(SendMessageW(w, kDouble, 21, 0), 42);
  EXPECT_THAT(g_received, ElementsAre("1:21"));
  EXPECT_TRUE(owner.calls.empty());
}

TEST_F(Subclass, ABeforeHandlerCanConsumeAMessageAndChooseItsResult) {
  cSubclass subclass(owner);
  const HWND w = Window();
  subclass.SubclassStart(w);
  subclass.SubclassAddMsg(w, kDouble, MSG_BEFORE_AND_AFTER);
  owner.handler = [](bool, bool& bHandled, LRESULT& lReturn, HWND&, UINT&, WPARAM&, LPARAM&) {
    bHandled = true;
    lReturn = 5;
  };
  EXPECT_EQ(SendMessageW(w, kDouble, 21, 0), 5);
  EXPECT_TRUE(g_received.empty());
  EXPECT_THAT(owner.calls, ElementsAre("before 1"));  // no after phase either
}

TEST_F(Subclass, ArgumentsChangedBeforeReachTheWindowAndTheAfterPhaseSeesItsResult) {
  cSubclass subclass(owner);
  const HWND w = Window();
  subclass.SubclassStart(w);
  subclass.SubclassAddMsg(w, kDouble, MSG_BEFORE_AND_AFTER);
  owner.handler = [](bool bBefore, bool&, LRESULT& lReturn, HWND&, UINT&, WPARAM& wParam, LPARAM&) {
    if (bBefore) {
      EXPECT_EQ(lReturn, 0);
      wParam = 7;
    } else {
      EXPECT_EQ(lReturn, 14);
      lReturn += 1;
    }
  };
  EXPECT_EQ(SendMessageW(w, kDouble, 21, 0), 15);
  EXPECT_THAT(g_received, ElementsAre("1:7"));
  EXPECT_THAT(owner.calls, ElementsAre("before 1", "after 1"));
}

TEST_F(Subclass, TablesFilterByMessageAndPhase) {
  cSubclass subclass(owner);
  const HWND w = Window();
  subclass.SubclassStart(w);
  subclass.SubclassAddMsg(w, kDouble, MSG_BEFORE);
  subclass.SubclassAddMsg(w, kDouble, MSG_BEFORE);  // a duplicate is kept once
  subclass.SubclassAddMsg(w, kOther, MSG_AFTER);
  SendMessageW(w, kDouble, 1, 0);
  SendMessageW(w, kOther, 1, 0);
  EXPECT_THAT(owner.calls, ElementsAre("before 1", "after 2"));
}

TEST_F(Subclass, AllMessagesCallsTheOwnerForEveryMessage) {
  cSubclass subclass(owner);
  const HWND w = Window();
  subclass.SubclassStart(w);
  subclass.SubclassAddMsg(w, ALL_MESSAGES, MSG_AFTER);
  subclass.SubclassAddMsg(w, kDouble, MSG_AFTER);  // still every message
  SendMessageW(w, kDouble, 1, 0);
  SendMessageW(w, kOther, 1, 0);
  EXPECT_THAT(owner.calls, ElementsAre("after 1", "after 2"));
}

TEST_F(Subclass, FreedRecordsAreReusedAndWindowsAreFoundByHandle) {
  cSubclass subclass(owner);
  const HWND a = Window(), b = Window(), c = Window();
  EXPECT_EQ(subclass.SubclassStart(a), 0);
  EXPECT_EQ(subclass.SubclassStart(b), 1);
  EXPECT_EQ(subclass.SubclassStart(b), 1);  // already hooked
  subclass.SubclassStop(a);
  EXPECT_EQ(subclass.SubclassFind(a), -1);
  EXPECT_EQ(subclass.SubclassFind(nullptr, true), 0);
  EXPECT_EQ(subclass.SubclassStart(c), 0);
  EXPECT_EQ(subclass.SubclassFind(c), 0);
  EXPECT_EQ(subclass.SubclassFind(b), 1);
  EXPECT_EQ(subclass.SubclassFind(nullptr, true), -1);
}

TEST_F(Subclass, UnhookingRestoresTheProcedureAndAnotherOwnerCannotHookTheSameWindow) {
  const HWND w = Window();
  const LONG_PTR original = GetWindowLongPtrW(w, GWLP_WNDPROC);
  {
    cSubclass subclass(owner);
    subclass.SubclassStart(w);
    subclass.SubclassAddMsg(w, kDouble, MSG_BEFORE);
    Owner second;
    cSubclass other(second);
    EXPECT_EQ(other.SubclassStart(w), -1);
    EXPECT_NE(GetWindowLongPtrW(w, GWLP_WNDPROC), original);
  }
  EXPECT_EQ(GetWindowLongPtrW(w, GWLP_WNDPROC), original);
  EXPECT_EQ(SendMessageW(w, kDouble, 3, 0), 6);
  EXPECT_TRUE(owner.calls.empty());
}

TEST_F(Subclass, AMessageInsideTheHookWhenUnhookedStillReachesTheWindow) {
  cSubclass subclass(owner);
  const HWND w = Window();
  subclass.SubclassStart(w);
  subclass.SubclassAddMsg(w, kDouble, MSG_BEFORE_AND_AFTER);
  owner.handler = [&](bool bBefore, bool&, LRESULT&, HWND& hWnd, UINT&, WPARAM&, LPARAM&) {
    if (bBefore) subclass.SubclassStop(hWnd);
  };
  EXPECT_EQ(SendMessageW(w, kDouble, 4, 0), 8);
  EXPECT_THAT(g_received, ElementsAre("1:4"));
  EXPECT_THAT(owner.calls, ElementsAre("before 1"));
  SendMessageW(w, kDouble, 4, 0);
  EXPECT_EQ(owner.calls.size(), 1u);
}

TEST_F(Subclass, TheOwnerMayEndDuringAMessage) {
  auto* subclass = new cSubclass(owner);
  const HWND w = Window();
  subclass->SubclassStart(w);
  subclass->SubclassAddMsg(w, kDouble, MSG_BEFORE_AND_AFTER);
  owner.handler = [&](bool, bool&, LRESULT&, HWND&, UINT&, WPARAM&, LPARAM&) {
    delete subclass;
    subclass = nullptr;
  };
  EXPECT_EQ(SendMessageW(w, kDouble, 5, 0), 10);
  EXPECT_THAT(owner.calls, ElementsAre("before 1"));
}

TEST_F(Subclass, NestedMessagesAreDispatchedIndependently) {
  cSubclass subclass(owner);
  const HWND w = Window();
  subclass.SubclassStart(w);
  subclass.SubclassAddMsg(w, kDouble, MSG_BEFORE_AND_AFTER);
  subclass.SubclassAddMsg(w, kOther, MSG_BEFORE);
  owner.handler = [](bool bBefore, bool& bHandled, LRESULT& lReturn, HWND& hWnd, UINT& uMsg, WPARAM&, LPARAM&) {
    if (uMsg == kDouble && bBefore) {
      EXPECT_EQ(SendMessageW(hWnd, kOther, 9, 0), 1);
    }
    if (uMsg == kOther) {
      bHandled = true;
      lReturn = 1;
    }
  };
  EXPECT_EQ(SendMessageW(w, kDouble, 2, 0), 4);
  EXPECT_THAT(owner.calls, ElementsAre("before 1", "before 2", "after 1"));
  EXPECT_THAT(g_received, ElementsAre("1:2"));
}

TEST_F(Subclass, AWindowDestroyedWhileHookedFreesItsRecord) {
  cSubclass subclass(owner);
  const HWND w = NewWindow();
  ASSERT_EQ(subclass.SubclassStart(w), 0);
  DestroyWindow(w);
  EXPECT_EQ(subclass.SubclassFind(w), -1);
  EXPECT_EQ(subclass.SubclassFind(nullptr, true), 0);
}

namespace {

// A subclasser that is not a cSubclass: it chains to whatever procedure it replaced.
struct Later {
  static inline WNDPROC prev = nullptr;
  static inline int seen = 0;

  static LRESULT CALLBACK Proc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (uMsg == kDouble) ++seen;
    return CallWindowProcW(prev, hWnd, uMsg, wParam, lParam);
  }
  static void Hook(HWND w) {
    seen = 0;
    prev = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
  }
  static void Unhook(HWND w) { SetWindowLongPtrW(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(prev)); }
};

}  // namespace

TEST_F(Subclass, UnhookingUnderALaterSubclasserKeepsItsChainToTheWindowProcedure) {
  const HWND w = Window();
  const LONG_PTR original = GetWindowLongPtrW(w, GWLP_WNDPROC);
  {
    cSubclass subclass(owner);
    subclass.SubclassStart(w);
    subclass.SubclassAddMsg(w, kDouble, MSG_BEFORE);
    Later::Hook(w);
    subclass.SubclassStop(w);
    EXPECT_EQ(GetWindowLongPtrW(w, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&Later::Proc));
    EXPECT_EQ(SendMessageW(w, kDouble, 3, 0), 6);
    EXPECT_EQ(Later::seen, 1);
    EXPECT_TRUE(owner.calls.empty());

    // Hooked again while still in the chain: the owner sees each message once.
    subclass.SubclassStart(w);
    subclass.SubclassAddMsg(w, kDouble, MSG_BEFORE);
    EXPECT_EQ(SendMessageW(w, kDouble, 4, 0), 8);
    EXPECT_THAT(owner.calls, ElementsAre("before 1"));
  }
  // The owner is gone, the later subclasser still reaches the window's own procedure.
  EXPECT_EQ(SendMessageW(w, kDouble, 5, 0), 10);
  EXPECT_EQ(Later::seen, 3);
  EXPECT_EQ(owner.calls.size(), 1u);

  Later::Unhook(w);
  EXPECT_EQ(SendMessageW(w, kDouble, 6, 0), 12);
  EXPECT_THAT(g_received, ElementsAre("1:3", "1:4", "1:5", "1:6"));
  EXPECT_EQ(GetWindowLongPtrW(w, GWLP_WNDPROC), original);  // the chain is taken down once it is ours again
}
