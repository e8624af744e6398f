#pragma once

#include <windows.h>

#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "UserPrompts.h"
#include "mTCPTable.h"

// Records every message box and answers from a queue (OK when it is empty).
class FakePrompts : public UserPrompts {
 public:
  struct Shown {
    std::wstring text;
    std::wstring title;
    UINT buttons;
  };

  int MsgBox(HWND, const std::wstring& text, const std::wstring& title, UINT buttons) override {
    shown.push_back({text, title, buttons});
    if (answers.empty()) return IDOK;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::wstring InputBox(HWND, const std::wstring& prompt, const std::wstring& title) override {
    prompts.push_back(prompt + L"|" + title);
    if (inputs.empty()) return L"";
    std::wstring text = inputs.front();
    inputs.pop_front();
    return text;
  }

  std::vector<Shown> shown;
  std::deque<int> answers;
  std::vector<std::wstring> prompts;
  std::deque<std::wstring> inputs;
};

class FakeAlarm : public AlarmSound {
 public:
  void Play(const std::wstring& path) override { played.push_back(path); }
  std::vector<std::wstring> played;
};

// A connection table the test writes: rows of pid, local and remote endpoints.
class FakeRows : public TcpRowSource {
 public:
  struct Row {
    unsigned long pid;
    unsigned short localPort;
    unsigned short remotePort = 0;
    unsigned char localAddress[4] = {127, 0, 0, 1};
    unsigned char remoteAddress[4] = {0, 0, 0, 0};
  };

  bool Fetch(std::vector<unsigned char>& table) override {
    ++fetches;
    if (onFetch) onFetch();
    if (fail) return false;
    table.assign(4 + rows.size() * 24, 0);
    const DWORD count = static_cast<DWORD>(rows.size());
    std::memcpy(table.data(), &count, 4);
    for (size_t i = 0; i < rows.size(); ++i) {
      unsigned char* row = table.data() + 4 + i * 24;
      row[0] = 5;  // established
      std::memcpy(row + 4, rows[i].localAddress, 4);
      row[8] = static_cast<unsigned char>(rows[i].localPort >> 8);
      row[9] = static_cast<unsigned char>(rows[i].localPort);
      std::memcpy(row + 12, rows[i].remoteAddress, 4);
      row[16] = static_cast<unsigned char>(rows[i].remotePort >> 8);
      row[17] = static_cast<unsigned char>(rows[i].remotePort);
      std::memcpy(row + 20, &rows[i].pid, 4);
    }
    return true;
  }
  std::wstring ProcessPath(unsigned long pid) override {
    return L"C:\\Programs\\app" + std::to_wstring(pid) + L".exe";
  }

  std::vector<Row> rows;
  bool fail = false;
  int fetches = 0;
  std::function<void()> onFetch;
};
