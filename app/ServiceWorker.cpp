#include "ServiceWorker.h"

#include <algorithm>

ServiceWorker::ServiceWorker()
    : session_(std::make_unique<ServiceSession>()),
      sender_([session = session_.get()](const std::wstring& url, const std::wstring& headers, unsigned budgetMs) {
        return session->Post(url, headers, budgetMs);
      }),
      thread_([this] { Run(); }) {}

ServiceWorker::ServiceWorker(Sender sender) : sender_(std::move(sender)), thread_([this] { Run(); }) {}

ServiceWorker::~ServiceWorker() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
    queued_.clear();
  }
  wake_.notify_all();
  thread_.join();
}

void ServiceWorker::NotifyWindow(HWND window, UINT message) {
  std::lock_guard lock(mutex_);
  window_ = window;
  message_ = message;
}

void ServiceWorker::Send(std::wstring url, OnAnswer onAnswer, ULONGLONG deadline, std::wstring headers) {
  {
    std::lock_guard lock(mutex_);
    queued_.push_back({std::move(url), std::move(headers), std::move(onAnswer), deadline});
  }
  wake_.notify_all();
}

void ServiceWorker::DropQueued() {
  std::lock_guard lock(mutex_);
  queued_.clear();
}

void ServiceWorker::DeliverAnswers() {
  for (;;) {
    Answer answer;
    {
      std::lock_guard lock(mutex_);
      if (answered_.empty()) return;
      answer = std::move(answered_.front());
      answered_.pop_front();
    }
    if (answer.onAnswer) answer.onAnswer(answer.reply);
  }
}

bool ServiceWorker::Idle() const {
  std::lock_guard lock(mutex_);
  return queued_.empty() && !sending_ && answered_.empty();
}

unsigned ServiceWorker::BudgetFor(const Job& job) const {
  if (job.deadline == 0) return kRequestBudgetMs;
  const ULONGLONG now = GetTickCount64();
  // At least 1 ms: a request whose deadline passed still fails by itself.
  return now >= job.deadline ? 1 : static_cast<unsigned>(std::min<ULONGLONG>(job.deadline - now, kRequestBudgetMs));
}

void ServiceWorker::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stop_ || !queued_.empty(); });
    if (stop_) return;
    Job job = std::move(queued_.front());
    queued_.pop_front();
    sending_ = true;
    const unsigned budget = BudgetFor(job);
    lock.unlock();
    ServiceReply reply = sender_(job.url, job.headers, budget);
    lock.lock();
    sending_ = false;
    answered_.push_back({std::move(reply), std::move(job.onAnswer)});
    if (window_) PostMessageW(window_, message_, 0, 0);
  }
}
