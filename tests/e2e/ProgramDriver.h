#pragma once

// Starting the real program and driving it from outside with window messages.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "RemoteWindows.h"
#include "frmMainIds.h"

// Polls until the condition holds; false when the time runs out.
inline bool WaitFor(std::chrono::milliseconds limit, const std::function<bool()>& condition) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return true;
}

// A listening socket of the test's own, for the program to watch.
class Listener {
 public:
  Listener() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof(address);
    bind(socket_, reinterpret_cast<sockaddr*>(&address), length);
    listen(socket_, 1);
    getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
  }
  ~Listener() {
    Close();
    WSACleanup();
  }
  void Close() {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
    socket_ = INVALID_SOCKET;
  }
  unsigned short Port() const { return port_; }

 private:
  SOCKET socket_ = INVALID_SOCKET;
  unsigned short port_ = 0;
};

class Program {
 public:
  explicit Program(const std::wstring& path) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    std::wstring commandLine = L"\"" + path + L"\"";
    CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info_);
    CloseHandle(info_.hThread);
  }
  ~Program() {
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info_.hProcess, 1);
    CloseHandle(info_.hProcess);
  }
  HANDLE Handle() const { return info_.hProcess; }
  DWORD Id() const { return info_.dwProcessId; }
  bool Ended(DWORD milliseconds) const { return WaitForSingleObject(info_.hProcess, milliseconds) == WAIT_OBJECT_0; }

 private:
  PROCESS_INFORMATION info_{};
};

inline std::wstring WindowText(HWND window) {
  wchar_t text[1024] = {};
  SendMessageW(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text));
  return text;
}

// The text of a message box the program shows, which is then closed with OK;
// empty when none came.
inline std::wstring AnswerMessageBox(const Program& program, std::chrono::milliseconds limit) {
  HWND box = nullptr;
  if (!WaitFor(limit, [&] { return (box = FindProcessWindow(program.Id(), L"提示")) != nullptr; })) return L"";
  const std::wstring text = WindowText(GetDlgItem(box, 0xFFFF));
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  WaitFor(limit, [&] { return !IsWindow(box); });
  return text;
}

// The running program's main window and the controls the tests use.
struct MainWindow {
  HWND main = nullptr;
  HWND list = nullptr;   // the system list view inside lvInfo
  HWND strip = nullptr;  // the account strip

  static MainWindow Find(const Program& program) {
    MainWindow window;
    WaitFor(std::chrono::seconds(30),
            [&] { return (window.main = FindProcessWindow(program.Id(), L"掉线Lumora3.0.5")) != nullptr; });
    if (!window.main) return window;
    window.list = FindWindowExW(GetDlgItem(window.main, kLvInfo), nullptr, WC_LISTVIEWW, nullptr);
    window.strip = GetDlgItem(window.main, kTlbCommand);
    return window;
  }
  HWND Control(int id) const { return GetDlgItem(strip, id); }
  void Press(int id) const {
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Control(id)));
  }
};

// Double-clicks the row of a local port and gives it a remark; false when the
// row or the remark box never came.
inline bool MarkPort(const Program& program, const MainWindow& window, unsigned short localPort,
                     const std::wstring& remark) {
  const std::wstring port = std::to_wstring(localPort);
  int row = -1;
  // The list fills from a snapshot that may still be on its way.
  WaitFor(std::chrono::seconds(30), [&] {
    const int rows = static_cast<int>(SendMessageW(window.list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < rows && row < 0; ++i) {
      if (RemoteItemText(program.Handle(), window.list, i, 4) == port) row = i;
    }
    return row >= 0;
  });
  if (row < 0 || !RemoteSelect(program.Handle(), window.list, row)) return false;
  const RECT cell = RemoteItemRect(program.Handle(), window.list, row);
  const LPARAM at = MAKELPARAM(cell.left + 4, (cell.top + cell.bottom) / 2);
  PostMessageW(window.list, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(window.list, WM_LBUTTONUP, 0, at);
  PostMessageW(window.list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  PostMessageW(window.list, WM_LBUTTONUP, 0, at);
  HWND box = nullptr;
  if (!WaitFor(std::chrono::seconds(10), [&] { return (box = FindProcessWindow(program.Id(), L"备注")) != nullptr; })) {
    return false;
  }
  SendMessageW(FindWindowExW(box, nullptr, L"Edit", nullptr), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(remark.c_str()));
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  return WaitFor(std::chrono::seconds(10),
                 [&] { return RemoteItemText(program.Handle(), window.list, row, 7) == remark; });
}

inline void FillAccount(const MainWindow& window, const wchar_t* mail, const wchar_t* code) {
  SendMessageW(window.Control(kTxtwxid), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(mail));
  SendMessageW(window.Control(kPwd), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(code));
}

// Closes the program through its confirmation.
inline bool CloseProgram(const Program& program, const MainWindow& window) {
  PostMessageW(window.main, WM_CLOSE, 0, 0);
  HWND confirm = nullptr;
  if (!WaitFor(std::chrono::seconds(10),
               [&] { return (confirm = FindProcessWindow(program.Id(), L"提示")) != nullptr; })) {
    return false;
  }
  PostMessageW(confirm, WM_COMMAND, IDOK, 0);
  return program.Ended(10000);
}
