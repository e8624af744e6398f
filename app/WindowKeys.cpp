#include "WindowKeys.h"

#include <vector>

#include "MessageLoop.h"

void WindowKeys::Attach(HWND window, std::initializer_list<ACCEL> keys) {
  Detach();
  std::vector<ACCEL> entries(keys);
  table_.reset(CreateAcceleratorTableW(entries.data(), static_cast<int>(entries.size())));
  if (!table_) return;
  window_ = window;
  SetWindowAccelerators(window_, table_.get());
}

void WindowKeys::Detach() {
  if (window_) SetWindowAccelerators(window_, nullptr);
  window_ = nullptr;
  table_.reset();
}
