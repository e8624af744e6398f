#pragma once

#include <windows.h>

#include <string>

#include "Controls.h"

// The filter box above the connection list: the label "筛选" and a field.
// The field tells its parent of every change of its text as an edit control
// does (EN_CHANGE with the box's id); Esc in the field clears it.
class FilterBox {
 public:
  void Create(HWND parent, int id, int dpi);
  // Lays the box out at the top of a strip of the parent this wide.
  void Move(int left, int top, int width) const;
  int Height() const;

  std::wstring Text() const { return field_.Text(); }
  void SetText(const std::wstring& text) const { field_.SetText(text); }
  HWND hField() const { return field_.hWnd(); }

 private:
  static LRESULT CALLBACK FieldProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                    DWORD_PTR data);

  CWindow label_, field_;
  int dpi_ = 96;
};
