#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "UserPrompts.h"
#include "TcpTable.h"
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
    if (whileOpen) std::exchange(whileOpen, nullptr)();
    if (answers.empty()) return IDOK;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::wstring InputBox(HWND, const std::wstring& prompt, const std::wstring& title) override {
    prompts.push_back(prompt + L"|" + title);
    if (whileOpen) std::exchange(whileOpen, nullptr)();
    if (inputs.empty()) return L"";
    std::wstring text = inputs.front();
    inputs.pop_front();
    return text;
  }

  // Records the menu's items, as "text" or "text (disabled)", and answers
  // the next of menuAnswers (no command when there is none).
  int PopupMenu(HWND, HMENU menu, POINT) override {
    std::vector<std::wstring> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
      wchar_t text[128] = {};
      GetMenuStringW(menu, i, text, 128, MF_BYPOSITION);
      const bool disabled = GetMenuState(menu, i, MF_BYPOSITION) & (MF_DISABLED | MF_GRAYED);
      items.push_back(std::wstring(text) + (disabled ? L" (disabled)" : L""));
    }
    menus.push_back(items);
    if (menuAnswers.empty()) return 0;
    const int answer = menuAnswers.front();
    menuAnswers.pop_front();
    return answer;
  }
  std::wstring SaveFileName(HWND, const std::wstring& suggested) override {
    suggestedNames.push_back(suggested);
    return savePath;
  }

  std::vector<Shown> shown;
  std::deque<int> answers;
  std::vector<std::vector<std::wstring>> menus;
  std::deque<int> menuAnswers;
  std::vector<std::wstring> suggestedNames;
  std::wstring savePath;  // empty: the user cancels
  std::vector<std::wstring> prompts;
  std::deque<std::wstring> inputs;
  // Runs once while the next box is open, as the box's own loop would.
  std::function<void()> whileOpen;
};

class FakeFolders : public DesktopShell {
 public:
  void ShowInFolder(const std::wstring& path) override { shown.push_back(path); }
  std::vector<std::wstring> shown;
};

class FakeAlarm : public AlarmSound {
 public:
  void Play(const std::wstring& path) override { played.push_back(path); }
  std::vector<std::wstring> played;
};

// A connection table the test writes: rows of pid, local and remote endpoints.
// Fetch and ProcessPath run on the snapshot's thread.
class FakeRows : public TcpRowSource {
 public:
  struct Row {
    unsigned long pid;
    unsigned short localPort;
    unsigned short remotePort = 0;
  };

  bool Fetch(std::vector<unsigned char>& table) override {
    ++fetches;
    if (onFetch) onFetch();
    if (fail) return false;
    std::vector<TcpRow> tcpRows;
    for (const Row& row : rows) {
      tcpRows.push_back({5, AddressField(127, 0, 0, 1), PortField(row.localPort), AddressField(127, 0, 0, 1),
                         PortField(row.remotePort), static_cast<uint32_t>(row.pid)});
    }
    table = TableBytes(tcpRows);
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
