#pragma once

#include <windows.h>

#include <memory>
#include <unordered_map>
#include <vector>

// Receives the messages of the windows a cSubclass hooks for it.
class ISubclassOwner {
 public:
  // bBefore is true before the window's previous procedure runs, false after it.
  // Setting bHandled in the before phase skips the previous procedure (and the
  // after phase) and makes lReturn the result. Changes to the message arguments
  // reach the previous procedure.
  virtual void zSubclass_Proc(bool bBefore, bool& bHandled, LRESULT& lReturn, HWND& lng_hWnd,
                              UINT& uMsg, WPARAM& wParam, LPARAM& lParam) = 0;

 protected:
  ~ISubclassOwner() = default;
};

// When-codes of SubclassAddMsg: bit 0 after, bit 1 before.
enum eMsgWhen : int { MSG_AFTER = 1, MSG_BEFORE = 2, MSG_BEFORE_AND_AFTER = 3 };

// Message number that stands for every message.
inline constexpr UINT ALL_MESSAGES = static_cast<UINT>(-1);

// Per-window message interception for one owner. One ordinary window procedure
// serves every hooked window; a table of the thread's leads it to the window's
// record. Only the thread that owns the hooked windows may use it.
class cSubclass {
 public:
  explicit cSubclass(ISubclassOwner& owner);
  ~cSubclass();  // unhooks every window still hooked
  cSubclass(const cSubclass&) = delete;
  cSubclass& operator=(const cSubclass&) = delete;

  // Hooks hWnd and returns its record index (the existing one when this owner
  // already hooks it); -1 when the window cannot be hooked or another owner hooks it.
  int SubclassStart(HWND hWnd);
  // Adds uMsg (or ALL_MESSAGES) to the before and/or after table of a hooked window.
  void SubclassAddMsg(HWND hWnd, UINT uMsg, int When = MSG_AFTER);
  // Restores the previous procedure. A message already inside the hook completes
  // through the previous procedure without reaching the owner again. When the
  // window was subclassed again after this hook, the chain stays as it is and
  // the hook only passes messages on, until the window is destroyed or the hook
  // is the window's procedure again.
  void SubclassStop(HWND hWnd);
  void SubclassStopAll();
  // The record of hWnd, or with bAdd the highest free record; -1 when none.
  int SubclassFind(HWND hWnd, bool bAdd = false) const;

 private:
  struct Record;
  struct Link;
  static std::unordered_map<HWND, Link>& Links();
  static LRESULT CALLBACK HookProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
  static LRESULT Forward(HWND hWnd, WNDPROC prevProc, UINT uMsg, WPARAM wParam, LPARAM lParam);
  static bool Unchain(HWND hWnd, WNDPROC prevProc);
  static void Release(Record& record);

  ISubclassOwner& m_Owner;
  std::vector<std::shared_ptr<Record>> m_Records;
};
