#pragma once

#include <windows.h>

#include <optional>

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
  // A form the user may resize says how small its client area may become; it
  // opens again where and as large as it was last closed, for the session.
  // A fixed form has no minimum.
  virtual std::optional<SIZE> MinimumClientTwips() const { return std::nullopt; }
  // Made anew for each window, which then owns it; none by default.
  virtual HMENU CreateMenuBar() const { return nullptr; }
  // Creates the controls and runs the load steps.
  virtual void Load() = 0;
  virtual void OnCommand(int /*id*/, int /*code*/) {}
  // The client area's new size, once the form is loaded.
  virtual void OnSize(int /*width*/, int /*height*/) {}
  // False leaves the menu to the system.
  virtual bool OnContextMenu(HWND /*window*/, POINT /*at*/) { return false; }
  // The control the keyboard goes to when the form is activated; none keeps
  // it on the form.
  virtual HWND FocusControl() const { return nullptr; }

  HWND CreateChild(const wchar_t* className, const wchar_t* text, DWORD style, int left, int top, int width,
                   int height, int id);

 private:
  static LRESULT CALLBACK WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
  DWORD Style() const;
  void OnGetMinMaxInfo(MINMAXINFO& info) const;
  void OnDestroy();

  HWND hWnd_ = nullptr;
  int dpi_ = 96;
  bool loaded_ = false;
  std::optional<WINDOWPLACEMENT> place_;  // where a resizable form was last closed
};
