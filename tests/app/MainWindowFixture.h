#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "AppFakes.h"
#include "FakeShell.h"
#include "LoopbackHttpServer.h"
#include "MessageLoop.h"
#include "frmMain.h"

// A main window talking to a loopback reminder service that records every
// request, with the modal windows, the sound and the connection table faked.
class MainWindowTest : public ::testing::Test {
 protected:
  using Reply = std::optional<std::string>;

  void TearDown() override { form.reset(); }

  void Open() {
    server = std::make_unique<LoopbackHttpServer>(
        [this](const LoopbackHttpServer::Request& request) { return Answer(request.target); });
    Open(L"127.0.0.1:" + std::to_wstring(server->Port()));
  }

  void Open(const std::wstring& serviceAddress) {
    auto source = std::make_unique<FakeRows>();
    rows = source.get();
    rows->rows = {{100, 8080, 80}, {200, 9090, 443}, {4, 445}};
    rows->onFetch = firstFetch;
    form = std::make_unique<frmMain>(
        frmMainServices{serviceAddress, &prompts, &alarm, std::move(source), settings, [this] { closed = true; },
                        &shell, history, &folders});
    ASSERT_TRUE(form->Create(showCommand));
    Settle();
  }

  // The service's reply to a request; a test may answer some paths itself
  // (an empty optional leaves the request hanging).
  Reply Answer(const std::string& target) {
    std::lock_guard lock(mutex);
    for (const auto& [path, reply] : special) {
      if (target.find(path) != std::string::npos) return reply;
    }
    return Ok(target.find("/tips.asp") != std::string::npos      ? tips
              : target.find("/config.asp") != std::string::npos  ? verdict
              : target.find("/checkoff.asp") != std::string::npos ? "已停止"
                                                                  : "ok");
  }
  static Reply Ok(const std::string& body) {
    return LoopbackHttpServer::Reply(200, "text/plain; charset=utf-8", body);
  }
  static Reply Status(int status, const std::string& body) {
    return LoopbackHttpServer::Reply(status, "text/plain; charset=utf-8", body);
  }
  // From now on the service answers requests to path with reply.
  void AnswerPath(const std::string& path, Reply reply) {
    std::lock_guard lock(mutex);
    special.insert_or_assign(path, std::move(reply));
  }

  // Lets the window handle the service's answers and its snapshots until
  // nothing is under way.
  void Settle() {
    const ULONGLONG end = GetTickCount64() + 15000;
    for (;;) {
      DoEvents();
      if (!form || (form->ServiceIdle() && form->SnapshotIdle())) return;
      ASSERT_LT(GetTickCount64(), end) << "the service worker or the snapshots never went idle";
      Sleep(2);
    }
  }

  // The request targets the service saw, in order, from the given one on.
  std::vector<std::string> Targets(size_t from = 0) const {
    std::vector<std::string> targets;
    const auto requests = server->Requests();
    for (size_t i = from; i < requests.size(); ++i) targets.push_back(requests[i].target);
    return targets;
  }
  size_t RequestCount() const { return server->Requests().size(); }

  // As a double-click does: the row alone is selected and focused.
  void Mark(int row, const std::wstring& remark) {
    form->lvInfo().ItemSelected(-1, false);
    form->lvInfo().ItemSelected(row, true);
    prompts.inputs.push_back(remark);
    form->lvInfo_DblClick();
  }

  void FillAccount(const std::wstring& mail = L"me@qq.com", const std::wstring& code = L"code1",
                   const std::wstring& id = L"1") {
    SetWindowTextW(form->txtwxid().hWnd(), mail.c_str());
    SetWindowTextW(form->pwd().hWnd(), code.c_str());
    SetWindowTextW(form->cpid().hWnd(), id.c_str());
  }

  // A press of the start/stop button and a tick, each with its answers handled.
  void Press() {
    form->Command1_Click();
    Settle();
  }
  void Tick() {
    form->Timer1_Timer();
    Settle();
  }
  void Refresh() {
    form->RefreshList();
    Settle();
  }
  // A run started with the default account, and a watched port that goes.
  void Start() {
    FillAccount();
    Press();
    ASSERT_EQ(form->k(), 1) << LastMessage();
  }
  void DropPort(unsigned short port) {
    std::erase_if(rows->rows, [port](const FakeRows::Row& row) { return row.localPort == port; });
  }

  // The key pressed with Ctrl alone, as a list's KeyDown event reads it.
  static void PressWithCtrl(HWND window, WPARAM key) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    SendMessageW(window, WM_KEYDOWN, key, 1);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
  }

  std::wstring LastMessage() const { return prompts.shown.empty() ? L"" : prompts.shown.back().text; }

  int showCommand = SW_SHOWNOACTIVATE;
  std::function<void()> firstFetch;  // runs in the snapshot of the window's load
  std::mutex mutex;
  std::string tips;
  std::string verdict;
  std::map<std::string, Reply> special;
  FakePrompts prompts;
  FakeAlarm alarm;
  FakeShell shell;
  HistoryLog history;
  FakeFolders folders;
  FakeRows* rows = nullptr;
  Settings settings;
  std::atomic<bool> closed{false};  // also read on the snapshot's thread
  std::unique_ptr<LoopbackHttpServer> server;
  std::unique_ptr<frmMain> form;
};
