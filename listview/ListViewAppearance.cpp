#include <olectl.h>

#include "ucListView.h"

namespace {

// Frame changes show only after the window recomputes its non-client area.
constexpr UINT kFrameChanged = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED | SWP_NOOWNERZORDER;

}  // namespace

void ucListView::SetWindowBits(HWND hWnd, int index, DWORD set, DWORD clear) {
  const auto old = static_cast<DWORD>(GetWindowLongPtrW(hWnd, index));
  SetWindowLongPtrW(hWnd, index, static_cast<LONG_PTR>(set | (old & ~clear)));
  SetWindowPos(hWnd, nullptr, 0, 0, 0, 0, kFrameChanged);
}

void ucListView::SetStyleBits(DWORD set, DWORD clear) {
  if (m_hListView) SetWindowBits(m_hListView.get(), GWL_STYLE, set, clear);
}

void ucListView::SetExStyleBits(DWORD set, DWORD clear) {
  const auto old = static_cast<DWORD>(SendList(LVM_GETEXTENDEDLISTVIEWSTYLE));
  SendList(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, static_cast<LPARAM>(set | (old & ~clear)));
}

void ucListView::SetExStyleFlag(bool& flag, DWORD bit, bool Value) {
  if (!m_hListView) return;
  flag = Value;
  SetExStyleBits(Value ? bit : 0, Value ? 0 : bit);
}

void ucListView::SetStyleFlag(bool& flag, DWORD bit, bool Value, bool inverted) {
  if (!m_hListView) return;
  flag = Value;
  const bool on = Value != inverted;
  SetStyleBits(on ? bit : 0, on ? 0 : bit);
}

void ucListView::CheckBoxes(bool Value) { SetExStyleFlag(m_bCheckBoxes, LVS_EX_CHECKBOXES, Value); }
void ucListView::FullRowSelect(bool Value) { SetExStyleFlag(m_bFullRowSelect, LVS_EX_FULLROWSELECT, Value); }
void ucListView::GridLines(bool Value) { SetExStyleFlag(m_bGridLines, LVS_EX_GRIDLINES, Value); }
void ucListView::HeaderDragDrop(bool Value) { SetExStyleFlag(m_bHeaderDragDrop, LVS_EX_HEADERDRAGDROP, Value); }
void ucListView::LabelTips(bool Value) { SetExStyleFlag(m_bLabelTips, LVS_EX_LABELTIP, Value); }
void ucListView::OneClickActivate(bool Value) { SetExStyleFlag(m_bOneClickActivate, LVS_EX_ONECLICKACTIVATE, Value); }
void ucListView::ScrollBarFlat(bool Value) { SetExStyleFlag(m_bScrollBarFlat, LVS_EX_FLATSB, Value); }
void ucListView::SubItemImages(bool Value) { SetExStyleFlag(m_bSubItemImages, LVS_EX_SUBITEMIMAGES, Value); }
void ucListView::TrackSelect(bool Value) { SetExStyleFlag(m_bTrackSelect, LVS_EX_TRACKSELECT, Value); }
void ucListView::UnderlineHot(bool Value) { SetExStyleFlag(m_bUnderlineHot, LVS_EX_UNDERLINEHOT, Value); }
void ucListView::HeaderHide(bool Value) { SetStyleFlag(m_bHeaderHide, LVS_NOCOLUMNHEADER, Value); }
void ucListView::LabelEdit(bool Value) { SetStyleFlag(m_bLabelEdit, LVS_EDITLABELS, Value); }
void ucListView::HideSelection(bool Value) { SetStyleFlag(m_bHideSelection, LVS_SHOWSELALWAYS, Value, true); }
void ucListView::MultiSelect(bool Value) { SetStyleFlag(m_bMultiSelect, LVS_SINGLESEL, Value, true); }

void ucListView::ViewMode(int Value) {
  if (!m_hListView) return;
  m_lViewMode = Value;
  SetStyleBits(static_cast<DWORD>(Value) & LVS_TYPEMASK, LVS_TYPEMASK);
}

void ucListView::HeaderFlat(bool Value) {
  if (!m_hListView) return;
  m_bHeaderFlat = Value;
  const auto header = reinterpret_cast<HWND>(SendList(LVM_GETHEADER));
  if (!header) return;
  const LONG_PTR style = GetWindowLongPtrW(header, GWL_STYLE);
  SetWindowLongPtrW(header, GWL_STYLE, Value ? style & ~HDS_BUTTONS : style | HDS_BUTTONS);
}

bool ucListView::Enabled() const { return m_hWnd && IsWindowEnabled(m_hWnd.get()); }

void ucListView::Enabled(bool Value) {
  if (!m_hListView) return;
  EnableWindow(m_hWnd.get(), Value);
  EnableWindow(m_hListView.get(), Value);
}

// System colours (high bit set) become the colour they stand for now.
COLORREF ucListView::TranslateColor(COLORREF Value) {
  COLORREF color = Value;
  return SUCCEEDED(OleTranslateColor(Value, nullptr, &color)) ? color : Value;
}

COLORREF ucListView::BackColor() const { return static_cast<COLORREF>(SendList(LVM_GETBKCOLOR)); }

// The text background takes the same colour, so items show no band of their own.
void ucListView::BackColor(COLORREF Value) {
  if (!m_hListView) return;
  const COLORREF color = TranslateColor(Value);
  SendList(LVM_SETBKCOLOR, 0, static_cast<LPARAM>(color));
  SendList(LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(color));
  Refresh();
}

COLORREF ucListView::ForeColor() const { return static_cast<COLORREF>(SendList(LVM_GETTEXTCOLOR)); }

void ucListView::ForeColor(COLORREF Value) {
  if (!m_hListView) return;
  SendList(LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(TranslateColor(Value)));
  Refresh();
}

void ucListView::Font(const ListViewFont& Value) { m_oFont = Value; }

void ucListView::FontChanged(const std::wstring&) {
  if (m_hListView) ApplyFont();
  else m_bFontSet = true;
}

// The old font goes only once the new one is in place, so a failed creation
// never leaves the list without a font.
void ucListView::ApplyFont() {
  const WindowDC dc(m_hWnd.get());
  const LOGFONTW logFont = m_oFont.ToLogFont(GetDeviceCaps(dc.get(), LOGPIXELSY));
  UniqueFont font(CreateFontIndirectW(&logFont));
  if (!font) return;
  SendList(WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
  m_hFont = std::move(font);
}

void ucListView::BorderStyle(int Value) {
  m_lBorderStyle = Value;
  ApplyBorderStyle();
  UserControl_Resize();
}

void ucListView::ApplyBorderStyle() {
  const HWND control = m_hWnd.get();
  if (!control || m_lBorderStyle < BORDER_NONE || m_lBorderStyle > BORDER_SUNKEN) return;
  SetWindowBits(control, GWL_STYLE, 0, WS_BORDER | WS_THICKFRAME);
  switch (m_lBorderStyle) {
    case BORDER_NONE: SetWindowBits(control, GWL_EXSTYLE, 0, WS_EX_STATICEDGE | WS_EX_CLIENTEDGE | WS_EX_WINDOWEDGE); break;
    case BORDER_FLAT: SetWindowBits(control, GWL_EXSTYLE, WS_EX_STATICEDGE, WS_EX_CLIENTEDGE | WS_EX_WINDOWEDGE); break;
    case BORDER_SUNKEN: SetWindowBits(control, GWL_EXSTYLE, WS_EX_CLIENTEDGE, WS_EX_STATICEDGE | WS_EX_WINDOWEDGE); break;
  }
}
