#include "MessageLoop.h"

#include <thread>

#include "InPlaceHook.h"

namespace {

// Kept with the window rather than in the program, so each window carries its own.
constexpr wchar_t kAccelerators[] = L"LumoraAccelerators";

}  // namespace

bool PreTranslateMessage(MSG& msg) {
  if (InPlaceTranslateAccelerator(msg)) return true;
  const HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
  if (!root) return false;
  const auto table = static_cast<HACCEL>(GetPropW(root, kAccelerators));
  if (table && TranslateAcceleratorW(root, table, &msg)) return true;
  return IsDialogMessageW(root, &msg);
}

void SetWindowAccelerators(HWND window, HACCEL table) {
  if (table) SetPropW(window, kAccelerators, table);
  else RemovePropW(window, kAccelerators);
}

void DoEvents() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (PreTranslateMessage(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void RunHandlingMessages(const std::function<void()>& work) {
  const HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!done) {
    work();
    return;
  }
  std::thread worker([&] {
    work();
    SetEvent(done);
  });
  bool quit = false;
  int quitCode = 0;
  // After a WM_QUIT the queue is left alone: the main loop takes the rest.
  while (!quit && MsgWaitForMultipleObjectsEx(1, &done, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE) != WAIT_OBJECT_0) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        quit = true;
        quitCode = static_cast<int>(msg.wParam);
        break;
      }
      if (PreTranslateMessage(msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  worker.join();
  CloseHandle(done);
  if (quit) PostQuitMessage(quitCode);
}

int RunMessageLoop() {
  MSG msg;
  BOOL got;
  while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0) {
    if (got == -1) return -1;
    if (PreTranslateMessage(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}
