#include "InPlaceHook.h"

namespace {

// Like the container's active object: one per thread, since every thread runs its own loops.
thread_local IInPlaceActiveControl* t_active = nullptr;

}  // namespace

void InPlaceHookAttach(InPlaceHookRecord& record, IInPlaceActiveControl& control) { record.control = &control; }

void InPlaceHookDetach(InPlaceHookRecord& record) {
  if (t_active && t_active == record.control) t_active = nullptr;
  record.control = nullptr;
}

void InPlaceActivate(const InPlaceHookRecord& record) {
  if (record.control) t_active = record.control;
}

IInPlaceActiveControl* InPlaceActiveControl() { return t_active; }

bool InPlaceTranslateAccelerator(MSG& msg) {
  if (!t_active || (msg.message != WM_KEYDOWN && msg.message != WM_KEYUP)) return false;
  const HWND control = t_active->ControlWindow();
  if (!control || (msg.hwnd != control && !IsChild(control, msg.hwnd))) return false;
  return t_active->TranslateAccelerator(msg);
}
