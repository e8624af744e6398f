#pragma once

#include <windows.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "PostUrl.h"
#include "ServiceSession.h"

// Sends the reminder service's requests on a thread of its own, one at a
// time and in the order they were queued, so that the window never waits on
// the network. Each answer goes back to the window's thread: the worker posts
// the notice message to the window, whose handler calls DeliverAnswers, which
// runs the request's callback there.
class ServiceWorker {
 public:
  using Sender = std::function<ServiceReply(const std::wstring& url, const std::wstring& headers, unsigned budgetMs)>;
  using OnAnswer = std::function<void(const ServiceReply&)>;

  // Sends on one kept-alive session of its own.
  ServiceWorker();
  explicit ServiceWorker(Sender sender);
  // Drops what was not sent yet and waits for the request being sent, which
  // its own bound ends.
  ~ServiceWorker();
  ServiceWorker(const ServiceWorker&) = delete;
  ServiceWorker& operator=(const ServiceWorker&) = delete;

  // Where the notice of a waiting answer goes; no window, no notice.
  void NotifyWindow(HWND window, UINT message);

  // Queues a request. A deadline (a GetTickCount64 value) ends it sooner
  // than its own bound; headers are extra header lines, each ending in CRLF.
  void Send(std::wstring url, OnAnswer onAnswer, ULONGLONG deadline = 0, std::wstring headers = {});

  // Forgets the requests that were not sent yet; their callbacks never run.
  void DropQueued();

  // Runs the callbacks of the answers that have come in, on the caller's
  // thread, oldest first. A callback may queue requests and may itself run
  // a message loop that delivers further answers.
  void DeliverAnswers();

  // Nothing queued, being sent or waiting to be delivered.
  bool Idle() const;

 private:
  struct Job {
    std::wstring url;
    std::wstring headers;
    OnAnswer onAnswer;
    ULONGLONG deadline;
  };
  struct Answer {
    ServiceReply reply;
    OnAnswer onAnswer;
  };

  void Run();
  unsigned BudgetFor(const Job& job) const;

  std::unique_ptr<ServiceSession> session_;  // only the worker's thread uses it
  Sender sender_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Job> queued_;
  std::deque<Answer> answered_;
  bool sending_ = false;
  bool stop_ = false;
  HWND window_ = nullptr;
  UINT message_ = 0;
  std::thread thread_;  // last: starts once everything above exists
};
