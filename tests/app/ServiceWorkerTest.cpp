#include "ServiceWorker.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr UINT kAnswer = WM_APP + 5;

// A window whose answer notices deliver the worker's answers, as the main
// window's do.
class NoticeWindow {
 public:
  explicit NoticeWindow(ServiceWorker& worker) : worker_(worker) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ServiceWorkerTestWindow";
    RegisterClassW(&wc);
    hWnd_ = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrW(hWnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    worker_.NotifyWindow(hWnd_, kAnswer);
  }
  ~NoticeWindow() {
    worker_.NotifyWindow(nullptr, 0);
    DestroyWindow(hWnd_);
  }
  // Handles messages until the worker has nothing left.
  bool PumpUntilIdle() {
    const ULONGLONG end = GetTickCount64() + 5000;
    while (!worker_.Idle()) {
      if (GetTickCount64() > end) return false;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    return true;
  }

 private:
  static LRESULT CALLBACK Proc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<NoticeWindow*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    if (self && message == kAnswer) {
      self->worker_.DeliverAnswers();
      return 0;
    }
    return DefWindowProcW(hWnd, message, wParam, lParam);
  }

  ServiceWorker& worker_;
  HWND hWnd_ = nullptr;
};

// A sender that records the URLs and budgets and can be held at its next call.
class FakeSender {
 public:
  ServiceReply operator()(const std::wstring& url, unsigned budget) {
    std::unique_lock lock(mutex_);
    sent.push_back(url);
    budgets.push_back(budget);
    ++calls_;
    changed_.notify_all();
    changed_.wait(lock, [this] { return !hold_; });
    return {ReplyKind::Success, 200, L"answer to " + url};
  }
  void Hold() {
    std::lock_guard lock(mutex_);
    hold_ = true;
  }
  void Release() {
    {
      std::lock_guard lock(mutex_);
      hold_ = false;
    }
    changed_.notify_all();
  }
  void AwaitCalls(int calls) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return calls_ >= calls; });
  }

  std::vector<std::wstring> sent;
  std::vector<unsigned> budgets;

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool hold_ = false;
  int calls_ = 0;
};

ServiceWorker::Sender SendThrough(FakeSender& sender) {
  return [&sender](const std::wstring& url, const std::wstring&, unsigned budget) { return sender(url, budget); };
}

}  // namespace

TEST(ServiceWorker, AnswersComeBackInOrderOnTheWindowsThread) {
  FakeSender sender;
  ServiceWorker worker(SendThrough(sender));
  NoticeWindow window(worker);
  std::vector<std::wstring> answers;
  std::vector<DWORD> threads;
  for (const wchar_t* url : {L"a", L"b", L"c"}) {
    worker.Send(url, [&](const ServiceReply& reply) {
      answers.push_back(reply.text);
      threads.push_back(GetCurrentThreadId());
    });
  }
  ASSERT_TRUE(window.PumpUntilIdle());
  EXPECT_EQ(answers, (std::vector<std::wstring>{L"answer to a", L"answer to b", L"answer to c"}));
  EXPECT_EQ(threads, std::vector<DWORD>(3, GetCurrentThreadId()));
  EXPECT_EQ(sender.budgets, std::vector<unsigned>(3, kRequestBudgetMs));
}

TEST(ServiceWorker, DroppedRequestsAreNeverSentAndADeadlineShortensTheBudget) {
  FakeSender sender;
  ServiceWorker worker(SendThrough(sender));
  NoticeWindow window(worker);
  sender.Hold();
  int answered = 0;
  worker.Send(L"in flight", [&](const ServiceReply&) { ++answered; });
  sender.AwaitCalls(1);
  worker.Send(L"dropped", [&](const ServiceReply&) { ++answered; });
  worker.DropQueued();
  worker.Send(L"last", [&](const ServiceReply&) { ++answered; }, GetTickCount64() + 2000);
  EXPECT_FALSE(worker.Idle());
  sender.Release();
  ASSERT_TRUE(window.PumpUntilIdle());
  EXPECT_EQ(answered, 2);
  EXPECT_EQ(sender.sent, (std::vector<std::wstring>{L"in flight", L"last"}));
  EXPECT_LE(sender.budgets[1], 2000u);
  EXPECT_GT(sender.budgets[1], 0u);
}

TEST(ServiceWorker, EndsWithoutSendingWhatIsStillQueued) {
  FakeSender sender;
  std::thread release;
  {
    ServiceWorker worker(SendThrough(sender));
    sender.Hold();
    worker.Send(L"in flight", nullptr);
    sender.AwaitCalls(1);
    worker.Send(L"never", nullptr);
    release = std::thread([&] {
      Sleep(100);
      sender.Release();
    });
  }
  release.join();
  EXPECT_EQ(sender.sent, std::vector<std::wstring>{L"in flight"});
}
