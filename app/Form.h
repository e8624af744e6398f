#pragma once

#include <windows.h>

// A small secondary window: created and loaded on its first showing, unloaded
// when the user closes it, created and loaded afresh on the next showing.
class Form {
 public:
  Form() = default;
  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  void Show(HWND owner);
  // Out of sight, loaded still; the next Show brings it back.
  void Hide() const;
  HWND hWnd() const { return hWnd_; }

 protected:
  virtual const wchar_t* Caption() const = 0;
  virtual SIZE ClientTwips() const = 0;
  // Creates the controls and runs the load steps.
  virtual void Load() = 0;
  virtual void OnCommand(int /*id*/, int /*code*/) {}

  HWND CreateChild(const wchar_t* className, const wchar_t* text, DWORD style, int left, int top, int width,
                   int height, int id);

 private:
  static LRESULT CALLBACK WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

  HWND hWnd_ = nullptr;
  int dpi_ = 96;
};
