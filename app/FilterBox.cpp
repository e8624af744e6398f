#include "FilterBox.h"

#include <commctrl.h>

#include <algorithm>

#include "Layout.h"

namespace {

// In twips, like the strip above.
constexpr int kRowHeight = 330;
constexpr int kFieldHeight = 270;
constexpr int kMargin = 120;
constexpr int kLabelWidth = 615;

}  // namespace

void FilterBox::Create(HWND parent, int id, int dpi) {
  dpi_ = dpi;
  label_.Attach(CreateControl(parent, L"STATIC", L"筛选", SS_CENTERIMAGE, 0, {kMargin, 0, kLabelWidth, kFieldHeight},
                              0, dpi));
  field_.Attach(CreateControl(parent, L"EDIT", L"", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE,
                              {kMargin + kLabelWidth, 0, 1935, kFieldHeight}, id, dpi));
  SetWindowSubclass(field_.hWnd(), FieldProc, 0, 0);
}

void FilterBox::Move(int left, int top, int width) const {
  auto px = [this](int twips) { return TwipsToPixels(twips, dpi_); };
  const int y = top + px(kRowHeight - kFieldHeight) / 2;
  const int fieldLeft = left + px(kMargin + kLabelWidth);
  MoveWindow(label_.hWnd(), left + px(kMargin), y, px(kLabelWidth), px(kFieldHeight), TRUE);
  MoveWindow(field_.hWnd(), fieldLeft, y, std::max(0, left + width - px(kMargin) - fieldLeft), px(kFieldHeight), TRUE);
}

int FilterBox::Height() const { return TwipsToPixels(kRowHeight, dpi_); }

// The window's dialog keys would take Esc for themselves: the field asks for it.
LRESULT CALLBACK FilterBox::FieldProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  switch (message) {
    case WM_GETDLGCODE: {
      const auto* msg = reinterpret_cast<const MSG*>(lParam);
      const LRESULT code = DefSubclassProc(hWnd, message, wParam, lParam);
      if (msg && msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE) return code | DLGC_WANTMESSAGE;
      return code;
    }
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) {
        SetWindowTextW(hWnd, L"");
        return 0;
      }
      break;
    case WM_CHAR:
      if (wParam == VK_ESCAPE) return 0;  // no beep
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(hWnd, FieldProc, 0);
      break;
  }
  return DefSubclassProc(hWnd, message, wParam, lParam);
}
