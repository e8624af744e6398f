#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

// Reading and driving another process's windows with window messages only.
// List-view messages carry pointers, so their records live in the target.
class RemoteBuffer {
 public:
  RemoteBuffer(HANDLE process, size_t size)
      : process_(process), address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE)) {}
  ~RemoteBuffer() {
    if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
  }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;

  char* Address() const { return static_cast<char*>(address_); }
  bool Write(const void* data, size_t size, size_t offset = 0) const {
    return WriteProcessMemory(process_, Address() + offset, data, size, nullptr);
  }
  bool Read(void* data, size_t size, size_t offset = 0) const {
    return ReadProcessMemory(process_, Address() + offset, data, size, nullptr);
  }

 private:
  HANDLE process_;
  void* address_;
};

inline std::wstring RemoteItemText(HANDLE process, HWND list, int item, int subItem) {
  constexpr int kChars = 512;
  RemoteBuffer buffer(process, sizeof(LVITEMW) + kChars * sizeof(wchar_t));
  LVITEMW record{};
  record.iSubItem = subItem;
  record.pszText = reinterpret_cast<wchar_t*>(buffer.Address() + sizeof(LVITEMW));
  record.cchTextMax = kChars;
  buffer.Write(&record, sizeof(record));
  const LRESULT length = SendMessageW(list, LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(buffer.Address()));
  std::wstring text(length, L'\0');
  buffer.Read(text.data(), length * sizeof(wchar_t), sizeof(LVITEMW));
  return text;
}

inline bool RemoteSelect(HANDLE process, HWND list, int item) {
  RemoteBuffer buffer(process, sizeof(LVITEMW));
  LVITEMW record{};
  record.stateMask = record.state = LVIS_SELECTED | LVIS_FOCUSED;
  buffer.Write(&record, sizeof(record));
  return SendMessageW(list, LVM_SETITEMSTATE, item, reinterpret_cast<LPARAM>(buffer.Address()));
}

inline RECT RemoteItemRect(HANDLE process, HWND list, int item) {
  RemoteBuffer buffer(process, sizeof(RECT));
  RECT rect{LVIR_LABEL, 0, 0, 0};
  buffer.Write(&rect, sizeof(rect));
  SendMessageW(list, LVM_GETITEMRECT, item, reinterpret_cast<LPARAM>(buffer.Address()));
  buffer.Read(&rect, sizeof(rect));
  return rect;
}

inline std::wstring ListBoxLine(HWND listBox, int index) {
  std::wstring text(SendMessageW(listBox, LB_GETTEXTLEN, index, 0), L'\0');
  SendMessageW(listBox, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  return text;
}

struct WindowSearch {
  DWORD processId;
  const std::wstring& caption;
  HWND found;
};

inline BOOL CALLBACK MatchWindow(HWND window, LPARAM context) {
  auto& search = *reinterpret_cast<WindowSearch*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  if (owner != search.processId || !IsWindowVisible(window) || search.caption != text) return TRUE;
  search.found = window;
  return FALSE;
}

// The first visible top-level window of a process with the given caption.
inline HWND FindProcessWindow(DWORD processId, const std::wstring& caption) {
  WindowSearch search{processId, caption, nullptr};
  EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}
