#pragma once

#include <windows.h>

#include <functional>

// The one place where the program's message loops route keys: key-down and
// key-up first to the active in-place control, then dialog navigation (Tab
// between WS_TABSTOP children) in the message's top-level window, dialog or not.
// True when the message was consumed and must not be translated or dispatched.
bool PreTranslateMessage(MSG& msg);

// Processes every message pending now, once. A WM_QUIT met on the way is posted
// again so that the main loop still ends.
void DoEvents();

// Runs work on a thread of its own and meanwhile handles this thread's
// messages, so that its windows keep answering during a slow call; returns
// when work has ended. A WM_QUIT met on the way is posted again afterwards.
void RunHandlingMessages(const std::function<void()>& work);

// The program's message loop; returns the WM_QUIT exit code.
int RunMessageLoop();
