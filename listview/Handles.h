#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <type_traits>

// Owning wrappers for the system handles the control keeps.
struct WindowDeleter {
  void operator()(HWND h) const { DestroyWindow(h); }
};
struct FontDeleter {
  void operator()(HFONT h) const { DeleteObject(h); }
};
struct ImageListDeleter {
  void operator()(HIMAGELIST h) const { ImageList_Destroy(h); }
};

using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDeleter>;
using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;
using UniqueImageList = std::unique_ptr<std::remove_pointer_t<HIMAGELIST>, ImageListDeleter>;

// A window's device context for the length of a scope.
class WindowDC {
 public:
  explicit WindowDC(HWND hWnd) : m_hWnd(hWnd), m_hDC(GetDC(hWnd)) {}
  ~WindowDC() { if (m_hDC) ReleaseDC(m_hWnd, m_hDC); }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC get() const { return m_hDC; }

 private:
  HWND m_hWnd;
  HDC m_hDC;
};
