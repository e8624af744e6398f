// Launches the program and times it from outside, as a user meets it: from
// the launch to the main window shown and to the first rows in the list; then
// how long the window keeps a WM_NULL waiting, sent every 20 ms from here,
// while F5 refreshes run and while header clicks on "本地端口" sort the list
// (the second click sorts descending, so every row moves), and while it
// refreshes sorted that way. The machine's connections are what they are: a
// script opens as many as it wants measured before this runs.
//   bench_launch.exe PROGRAM.exe
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

#include "BenchClock.h"

namespace {

constexpr wchar_t kMainClass[] = L"LumoraMain";
constexpr wchar_t kPortTitle[] = L"本地端口";
constexpr double kLaunchBoundMs = 60000;
constexpr int kPingEveryMs = 20;
constexpr int kRefreshes = 4;
constexpr DWORD kSettleMs = 3000;  // after each refresh or click, for it to run its course

// What the pings saw during one stretch of the run.
struct Stretch {
  const char* what;
  std::atomic<double> longest{0};
  std::atomic<int> pings{0};
};

Stretch stretches[] = {{"idle"}, {"F5 refresh"}, {"sort ascending"}, {"sort descending"}, {"F5 refresh, sorted"}};
std::atomic<int> current{-1};  // the stretch being measured; -1 none
std::atomic<bool> stopping{false};

// Sends WM_NULL every kPingEveryMs and keeps the longest wait for its answer.
void Ping(HWND window) {
  while (!stopping) {
    const double start = Now();
    DWORD_PTR result;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &result);
    const double waited = Now() - start;
    const int at = current;
    if (at >= 0) {
      Stretch& stretch = stretches[at];
      stretch.longest = std::max(stretch.longest.load(), waited);
      ++stretch.pings;
    }
    Sleep(kPingEveryMs);
  }
}

// A block of the program's memory, for the list's and the header's messages
// that take pointers; another process's pointers are no good to it.
class RemoteBlock {
 public:
  explicit RemoteBlock(HANDLE process)
      : process_(process), at_(VirtualAllocEx(process, nullptr, kSize, MEM_COMMIT, PAGE_READWRITE)) {}
  ~RemoteBlock() {
    if (at_) VirtualFreeEx(process_, at_, 0, MEM_RELEASE);
  }
  RemoteBlock(const RemoteBlock&) = delete;
  RemoteBlock& operator=(const RemoteBlock&) = delete;

  char* At(size_t offset) const { return static_cast<char*>(at_) + offset; }
  template <typename T>
  void Write(size_t offset, const T& value) const {
    WriteProcessMemory(process_, At(offset), &value, sizeof(value), nullptr);
  }
  template <typename T>
  T Read(size_t offset) const {
    T value{};
    ReadProcessMemory(process_, At(offset), &value, sizeof(value), nullptr);
    return value;
  }
  std::wstring Text(size_t offset) const {
    wchar_t text[kTextChars + 1] = {};
    ReadProcessMemory(process_, At(offset), text, kTextChars * sizeof(wchar_t), nullptr);
    return text;
  }
  // Sends message with a query (LVITEMW, HDITEMW) whose text the control
  // writes into this block, and returns that text.
  template <typename Query>
  std::wstring AskText(HWND window, UINT message, WPARAM which, Query query) const {
    query.pszText = reinterpret_cast<wchar_t*>(At(kTextAt));
    query.cchTextMax = kTextChars;
    Write(0, query);
    SendMessageW(window, message, which, reinterpret_cast<LPARAM>(At(0)));
    return Text(kTextAt);
  }

  static constexpr size_t kSize = 4096;
  static constexpr size_t kTextAt = 1024;
  static constexpr int kTextChars = 128;

 private:
  HANDLE process_;
  void* at_;
};

struct ClassSearch {
  const wchar_t* cls;
  HWND found;
};

BOOL CALLBACK MatchClass(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<ClassSearch*>(param);
  wchar_t name[64];
  GetClassNameW(window, name, 64);
  if (lstrcmpiW(name, search->cls) != 0) return TRUE;
  search->found = window;
  return FALSE;
}

HWND FindChild(HWND parent, const wchar_t* cls) {
  ClassSearch search{cls, nullptr};
  EnumChildWindows(parent, MatchClass, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

int HeaderItem(HWND header, const RemoteBlock& block, const wchar_t* title) {
  const int count = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
  for (int item = 0; item < count; ++item) {
    HDITEMW query{};
    query.mask = HDI_TEXT;
    if (block.AskText(header, HDM_GETITEMW, item, query) == title) return item;
  }
  return -1;
}

// A click as the mouse makes it, in the middle of the header item.
void ClickHeader(HWND header, const RemoteBlock& block, int item) {
  SendMessageW(header, HDM_GETITEMRECT, item, reinterpret_cast<LPARAM>(block.At(0)));
  const RECT rect = block.Read<RECT>(0);
  const LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  PostMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(header, WM_LBUTTONUP, 0, at);
}

std::wstring CellText(HWND list, const RemoteBlock& block, int row, int column) {
  LVITEMW query{};
  query.iSubItem = column;
  return block.AskText(list, LVM_GETITEMTEXTW, row, query);
}

void Measure(int stretch, const std::function<void()>& act, int times) {
  current = stretch;
  for (int i = 0; i < times; ++i) {
    act();
    Sleep(kSettleMs);
  }
  current = -1;
}

void PressF5(HWND list) {
  PostMessageW(list, WM_KEYDOWN, VK_F5, 0x003F0001);
  PostMessageW(list, WM_KEYUP, VK_F5, 0xC03F0001);
}

// The longest waits for an answer while the window refreshes and sorts.
int MeasureAnswers(HWND window, HWND list, HANDLE process) {
  RemoteBlock block(process);
  HWND header = list ? FindChild(list, WC_HEADERW) : nullptr;
  const int portItem = header ? HeaderItem(header, block, kPortTitle) : -1;
  if (portItem < 0 || SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == 0) {
    std::printf("no rows or no \"本地端口\" column to measure with\n");
    return 1;
  }
  std::thread pinger(Ping, window);
  Measure(0, [] {}, 1);
  Measure(1, [list] { PressF5(list); }, kRefreshes);
  Measure(2, [&] { ClickHeader(header, block, portItem); }, 1);
  const std::wstring ascending = CellText(list, block, 0, portItem);
  Measure(3, [&] { ClickHeader(header, block, portItem); }, 1);
  const std::wstring descending = CellText(list, block, 0, portItem);
  Measure(4, [list] { PressF5(list); }, kRefreshes);
  stopping = true;
  pinger.join();
  std::printf("first row's local port: %ls ascending, %ls descending\n", ascending.c_str(), descending.c_str());
  std::printf("%-20s %12s %6s\n", "while", "longest (ms)", "pings");
  for (const Stretch& stretch : stretches) {
    std::printf("%-20s %12.0f %6d\n", stretch.what, stretch.longest.load(), stretch.pings.load());
  }
  return 0;
}

int Run(const wchar_t* program) {
  std::wstring command = L"\"" + std::wstring(program) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION launched{};
  const double launch = Now();
  if (!CreateProcessW(program, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &launched)) {
    std::printf("cannot start the program (error %lu)\n", GetLastError());
    return 1;
  }
  CloseHandle(launched.hThread);

  HWND window = nullptr;
  while (!(window = FindWindowW(kMainClass, nullptr)) || !IsWindowVisible(window)) {
    if (Now() - launch > kLaunchBoundMs) {
      std::printf("no main window within %.0f ms\n", kLaunchBoundMs);
      TerminateProcess(launched.hProcess, 1);
      return 1;
    }
    Sleep(1);
  }
  const double shown = Now() - launch;
  HWND list = FindChild(window, WC_LISTVIEWW);
  int rows = 0;
  while (list && (rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0))) == 0 &&
         Now() - launch < kLaunchBoundMs) {
    Sleep(1);
  }
  const double filled = Now() - launch;
  std::printf("main window shown %8.0f ms after the launch\n", shown);
  std::printf("first rows        %8.0f ms after the launch (%d rows)\n", filled, rows);

  const int status = MeasureAnswers(window, list, launched.hProcess);
  TerminateProcess(launched.hProcess, 0);
  CloseHandle(launched.hProcess);
  return status;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::printf("usage: bench_launch PROGRAM.exe\n");
    return 2;
  }
  return Run(argv[1]);
}
