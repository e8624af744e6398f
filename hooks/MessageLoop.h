#pragma once

#include <windows.h>

// The one place where the program's message loops route keys: key-down and
// key-up first to the active in-place control, then dialog navigation (Tab
// between WS_TABSTOP children) in the message's top-level window, dialog or not.
// True when the message was consumed and must not be translated or dispatched.
bool PreTranslateMessage(MSG& msg);

// Processes every message pending now, once. A WM_QUIT met on the way is posted
// again so that the main loop still ends.
void DoEvents();

// The program's message loop; returns the WM_QUIT exit code.
int RunMessageLoop();
