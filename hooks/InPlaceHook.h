#pragma once

#include <windows.h>

// A control that wants keys before the program's message loop uses them for
// dialog navigation (arrows, Home, End, Page Up and Page Down in a list).
class IInPlaceActiveControl {
 public:
  // Keys for this window or any window inside it are offered to the control.
  virtual HWND ControlWindow() const = 0;
  // True when the control used the key and the loop must not process it further.
  virtual bool TranslateAccelerator(MSG& msg) = 0;

 protected:
  ~IInPlaceActiveControl() = default;
};

// The host side of a control: keys the control passes on to its container
// (Ctrl+Tab, Ctrl+Shift+Tab). Modifiers is 1 when Shift is down, else 0.
class IControlSite {
 public:
  virtual void TranslateAccelerator(const MSG& msg, int Modifiers) = 0;

 protected:
  ~IControlSite() = default;
};

// What a control keeps while it takes part in key routing.
struct InPlaceHookRecord {
  IInPlaceActiveControl* control = nullptr;
};

void InPlaceHookAttach(InPlaceHookRecord& record, IInPlaceActiveControl& control);
// Also stops routing keys to the control when it is the active one.
void InPlaceHookDetach(InPlaceHookRecord& record);
// Makes the attached control the one the calling thread's message loops offer keys to.
void InPlaceActivate(const InPlaceHookRecord& record);
// The calling thread's active control, or nullptr.
IInPlaceActiveControl* InPlaceActiveControl();
// Offers a WM_KEYDOWN/WM_KEYUP for a window inside the active control to it.
bool InPlaceTranslateAccelerator(MSG& msg);
