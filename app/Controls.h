#pragma once

#include <windows.h>

#include <string>

// Thin wrappers over the standard controls: each method sends one message.
class CWindow {
 public:
  CWindow() = default;
  explicit CWindow(HWND hWnd) : hWnd_(hWnd) {}
  void Attach(HWND hWnd) { hWnd_ = hWnd; }
  HWND hWnd() const { return hWnd_; }

  std::wstring Text() const {
    std::wstring text(GetWindowTextLengthW(hWnd_), L'\0');
    text.resize(GetWindowTextW(hWnd_, text.data(), static_cast<int>(text.size()) + 1));
    return text;
  }
  void SetText(const std::wstring& text) const { SetWindowTextW(hWnd_, text.c_str()); }
  bool Enabled() const { return IsWindowEnabled(hWnd_); }
  void Enable(bool enabled) const { EnableWindow(hWnd_, enabled); }
  void SetFont(HFONT font) const { SendMessageW(hWnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE); }

 protected:
  HWND hWnd_ = nullptr;
};

class CButton : public CWindow {
 public:
  bool Checked() const { return SendMessageW(hWnd_, BM_GETCHECK, 0, 0) == BST_CHECKED; }
  void SetChecked(bool checked) const { SendMessageW(hWnd_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0); }
};

class CComboBox : public CWindow {
 public:
  int AddString(const std::wstring& text) const {
    return static_cast<int>(SendMessageW(hWnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
  }
  int Count() const { return static_cast<int>(SendMessageW(hWnd_, CB_GETCOUNT, 0, 0)); }
};

class CListBox : public CWindow {
 public:
  int AddString(const std::wstring& text) const {
    return static_cast<int>(SendMessageW(hWnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
  }
  int InsertString(int index, const std::wstring& text) const {
    return static_cast<int>(SendMessageW(hWnd_, LB_INSERTSTRING, index, reinterpret_cast<LPARAM>(text.c_str())));
  }
  bool DeleteString(int index) const { return SendMessageW(hWnd_, LB_DELETESTRING, index, 0) != LB_ERR; }
  int Count() const { return static_cast<int>(SendMessageW(hWnd_, LB_GETCOUNT, 0, 0)); }
  std::wstring Line(int index) const {
    const LRESULT length = SendMessageW(hWnd_, LB_GETTEXTLEN, index, 0);
    if (length == LB_ERR) return L"";
    std::wstring text(length, L'\0');
    SendMessageW(hWnd_, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    return text;
  }
};
