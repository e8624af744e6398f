#include "Subclass.h"

#include <algorithm>

namespace {

// Messages one phase wants: none, a list, or every message.
struct MsgTable {
  bool all = false;
  std::vector<UINT> msgs;

  bool Wants(UINT uMsg) const { return all || std::find(msgs.begin(), msgs.end(), uMsg) != msgs.end(); }
  void Add(UINT uMsg) {
    if (uMsg == ALL_MESSAGES) all = true;
    else if (std::find(msgs.begin(), msgs.end(), uMsg) == msgs.end()) msgs.push_back(uMsg);
  }
  void Clear() {
    all = false;
    msgs.clear();
  }
};

}  // namespace

// A hooked window (hWnd non-null) or a free record. Messages in flight hold a
// reference, so a record outlives an unhook or its owner during a message.
struct cSubclass::Record : std::enable_shared_from_this<Record> {
  HWND hWnd = nullptr;
  WNDPROC prevProc = nullptr;
  ISubclassOwner* owner = nullptr;
  MsgTable before;
  MsgTable after;
};

// What the shared window procedure knows of a window it is installed on: the
// window's record while an owner hooks it; after an unhook that had to leave the
// procedure in the chain, only the procedure it replaced.
struct cSubclass::Link {
  Record* record = nullptr;
  WNDPROC prevProc = nullptr;
};

// An in-process table, not a window property: under Wine every property lookup
// is a round trip to the server, paid on every message of a busy list. Links
// outlive their owners, as long as a window may still call the procedure.
std::unordered_map<HWND, cSubclass::Link>& cSubclass::Links() {
  thread_local std::unordered_map<HWND, Link> links;
  return links;
}

cSubclass::cSubclass(ISubclassOwner& owner) : m_Owner(owner) {}

cSubclass::~cSubclass() { SubclassStopAll(); }

int cSubclass::SubclassStart(HWND hWnd) {
  if (!IsWindow(hWnd)) return -1;
  const auto link = Links().find(hWnd);
  if (link != Links().end() && link->second.record)
    return link->second.record->owner == &m_Owner ? SubclassFind(hWnd) : -1;

  WNDPROC prevProc = nullptr;
  if (link != Links().end()) {
    // Still in the chain under a later subclasser: hooked again where it is.
    prevProc = link->second.prevProc;
  } else {
    SetLastError(0);
    const LONG_PTR prev = SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HookProc));
    if (prev == 0 && GetLastError() != 0) return -1;
    prevProc = reinterpret_cast<WNDPROC>(prev);
  }

  int index = SubclassFind(nullptr, true);
  if (index < 0) {
    m_Records.push_back(std::make_shared<Record>());
    index = static_cast<int>(m_Records.size()) - 1;
  } else {
    // A message still in flight may hold the old record: give the window a fresh one.
    m_Records[index] = std::make_shared<Record>();
  }
  Record& record = *m_Records[index];
  record.owner = &m_Owner;
  record.prevProc = prevProc;
  record.hWnd = hWnd;
  Links()[hWnd] = {&record, nullptr};
  return index;
}

void cSubclass::SubclassAddMsg(HWND hWnd, UINT uMsg, int When) {
  const int index = SubclassFind(hWnd);
  if (index < 0) return;
  Record& record = *m_Records[index];
  if (When & MSG_BEFORE) record.before.Add(uMsg);
  if (When & MSG_AFTER) record.after.Add(uMsg);
}

// A later subclasser calls this hook as the procedure it replaced: putting the
// previous procedure back would cut that subclasser out, so the hook stays and
// forwards.
void cSubclass::SubclassStop(HWND hWnd) {
  const int index = SubclassFind(hWnd);
  if (index < 0) return;
  Record& record = *m_Records[index];
  const WNDPROC prevProc = record.prevProc;
  Release(record);
  if (IsWindow(hWnd) && !Unchain(hWnd, prevProc)) Links()[hWnd] = {nullptr, prevProc};
}

// Puts the previous procedure back when the hook is the window's procedure.
bool cSubclass::Unchain(HWND hWnd, WNDPROC prevProc) {
  if (GetWindowLongPtrW(hWnd, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&HookProc)) return false;
  SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(prevProc));
  return true;
}

void cSubclass::SubclassStopAll() {
  for (int i = static_cast<int>(m_Records.size()) - 1; i >= 0; --i)
    if (m_Records[i]->hWnd) SubclassStop(m_Records[i]->hWnd);
}

int cSubclass::SubclassFind(HWND hWnd, bool bAdd) const {
  for (int i = static_cast<int>(m_Records.size()) - 1; i >= 0; --i) {
    const HWND recorded = m_Records[i]->hWnd;
    if (bAdd ? recorded == nullptr : (hWnd && recorded == hWnd)) return i;
  }
  return -1;
}

void cSubclass::Release(Record& record) {
  Links().erase(record.hWnd);
  record.hWnd = nullptr;
  record.before.Clear();
  record.after.Clear();
}

LRESULT CALLBACK cSubclass::HookProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  const auto link = Links().find(hWnd);
  if (link == Links().end()) return DefWindowProcW(hWnd, uMsg, wParam, lParam);
  if (!link->second.record) return Forward(hWnd, link->second.prevProc, uMsg, wParam, lParam);
  const std::shared_ptr<Record> record = link->second.record->shared_from_this();
  const HWND hooked = hWnd;
  const WNDPROC prevProc = record->prevProc;

  bool bHandled = false;
  LRESULT lReturn = 0;
  if (record->before.Wants(uMsg))
    record->owner->zSubclass_Proc(true, bHandled, lReturn, hWnd, uMsg, wParam, lParam);
  if (bHandled) return lReturn;

  const UINT original = uMsg;
  lReturn = CallWindowProcW(prevProc, hWnd, uMsg, wParam, lParam);
  if (record->hWnd == hooked && record->after.Wants(uMsg))
    record->owner->zSubclass_Proc(false, bHandled, lReturn, hWnd, uMsg, wParam, lParam);
  // A window destroyed while hooked frees its record, so that a later window
  // with the same handle is not mistaken for it.
  if (original == WM_NCDESTROY && record->hWnd == hooked) Release(*record);
  return lReturn;
}

// A window unhooked under a later subclasser. Once that subclasser has gone and
// the hook is the window's procedure again, the hook leaves; a destroyed window
// takes its link along.
LRESULT cSubclass::Forward(HWND hWnd, WNDPROC prevProc, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  if (Unchain(hWnd, prevProc)) Links().erase(hWnd);
  const LRESULT lReturn = CallWindowProcW(prevProc, hWnd, uMsg, wParam, lParam);
  if (uMsg == WM_NCDESTROY) {
    const auto link = Links().find(hWnd);
    if (link != Links().end() && !link->second.record) Links().erase(link);
  }
  return lReturn;
}
