#pragma once

#include <windows.h>

#include <memory>

struct HandleCloser {
  void operator()(HANDLE h) const { CloseHandle(h); }
};
// A kernel handle closed when it goes out of scope.
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

// Takes ownership of what CreateFileW or OpenProcess returned; failures of both
// (INVALID_HANDLE_VALUE and null) become an empty handle.
inline UniqueHandle OwnHandle(HANDLE h) {
  return UniqueHandle(h == INVALID_HANDLE_VALUE ? nullptr : h);
}

struct FindCloser {
  void operator()(HANDLE h) const { FindClose(h); }
};
// A directory search closed when it goes out of scope.
using UniqueFind = std::unique_ptr<void, FindCloser>;

// Takes ownership of what FindFirstFileExW returned; a failure becomes empty.
inline UniqueFind OwnFind(HANDLE h) {
  return UniqueFind(h == INVALID_HANDLE_VALUE ? nullptr : h);
}
