#pragma once

#include <windows.h>

#include <initializer_list>
#include <memory>

// Keys that give a window a command wherever the focus is inside it, through
// the program's message loops.
class WindowKeys {
 public:
  void Attach(HWND window, std::initializer_list<ACCEL> keys);
  // Before the window is destroyed.
  void Detach();

 private:
  struct TableDeleter {
    void operator()(HACCEL table) const { DestroyAcceleratorTable(table); }
  };

  HWND window_ = nullptr;
  std::unique_ptr<HACCEL__, TableDeleter> table_;
};
