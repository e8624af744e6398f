#pragma once

#include <windows.h>

#include <functional>

// The one place where the program's message loops route keys: key-down and
// key-up first to the active in-place control, then dialog navigation (Tab
// between WS_TABSTOP children) in the message's top-level window, dialog or not.
// True when the message was consumed and must not be translated or dispatched.
// Key-downs for a top-level window with accelerators, or for anything inside
// it, are offered to its table after the active in-place control.
bool PreTranslateMessage(MSG& msg);

// Gives a top-level window its keyboard accelerators (nullptr takes them
// away). The caller owns the table and keeps it until the window is gone or
// its accelerators are taken away.
void SetWindowAccelerators(HWND window, HACCEL table);

// Processes every message pending now, once. A WM_QUIT met on the way is posted
// again so that the main loop still ends.
void DoEvents();

// Runs work on a thread of its own and meanwhile handles this thread's
// messages, so that its windows keep answering during a slow call; returns
// when work has ended. A WM_QUIT met on the way is posted again afterwards.
void RunHandlingMessages(const std::function<void()>& work);

// The program's message loop; returns the WM_QUIT exit code.
int RunMessageLoop();
