#include <windowsx.h>

#include "ucListView.h"

namespace {

POINT PointOf(LPARAM lParam) { return {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

bool OnItemProper(int flags) { return flags == LVHT_ONITEMICON || flags == LVHT_ONITEMLABEL || flags == LVHT_ONITEM; }

}  // namespace

void ucListView::zSubclass_Proc(bool bBefore, bool& bHandled, LRESULT& lReturn, HWND& lng_hWnd, UINT& uMsg,
                                WPARAM& wParam, LPARAM& lParam) {
  if (lng_hWnd == m_hWnd.get()) {
    if (uMsg == WM_MOUSEACTIVATE) ActivateInPlace();
    else if (uMsg == WM_NOTIFY) OnControlNotify(bHandled, lReturn, *reinterpret_cast<const NMHDR*>(lParam), lParam);
  } else if (lng_hWnd == m_hListView.get()) {
    if (uMsg == WM_NOTIFY) OnHeaderNotify(bHandled, lReturn, *reinterpret_cast<const NMHDR*>(lParam), lParam);
    else OnListMessage(bBefore, uMsg, wParam, lParam);
  }
}

// Header notifications are taken where the header sends them, at the list:
// lists forward only some of them to the control window, and not the same ones
// everywhere, so the forwarded copies are ignored there.
void ucListView::OnControlNotify(bool& bHandled, LRESULT& lReturn, const NMHDR& hdr, LPARAM lParam) {
  if (hdr.hwndFrom == m_hListView.get()) OnListNotify(bHandled, lReturn, hdr, lParam);
}

void ucListView::OnHeaderNotify(bool& bHandled, LRESULT& lReturn, const NMHDR& hdr, LPARAM lParam) {
  if (!m_hHeader || hdr.hwndFrom != m_hHeader) return;
  switch (hdr.code) {
    case HDN_ITEMCLICKW:
      Events().ColumnClick(reinterpret_cast<const NMHEADERW*>(lParam)->iItem);
      break;
    case HDN_ITEMCHANGINGW:
      // Fixed width refuses what the user does to the header, not the control's own column calls.
      if (m_bHeaderFixedWidth && !m_bOwnColumnChange) {
        lReturn = 1;
        bHandled = true;
      }
      break;
    case NM_RCLICK: {
      const DWORD pos = GetMessagePos();
      HDHITTESTINFO info{};
      info.pt = {GET_X_LPARAM(pos), GET_Y_LPARAM(pos)};
      ScreenToClient(m_hHeader, &info.pt);
      SendHeader(HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&info));
      Events().ColumnRightClick(info.iItem);
      break;
    }
  }
}

void ucListView::OnListNotify(bool& bHandled, LRESULT& lReturn, const NMHDR& hdr, LPARAM lParam) {
  switch (hdr.code) {
    case LVN_BEGINLABELEDITW: OnBeginLabelEdit(bHandled, lReturn); break;
    case LVN_ENDLABELEDITW: OnEndLabelEdit(bHandled, lReturn, *reinterpret_cast<const NMLVDISPINFOW*>(lParam)); break;
    case LVN_ITEMCHANGED: OnItemChanged(*reinterpret_cast<const NMLISTVIEW*>(lParam)); break;
    case LVN_GETDISPINFOW:
      if (m_pData) OnGetDispInfo(*reinterpret_cast<NMLVDISPINFOW*>(lParam));
      break;
    case LVN_ODCACHEHINT:
      if (m_pData) {
        const auto& hint = *reinterpret_cast<const NMLVCACHEHINT*>(lParam);
        m_pData->CacheHint(hint.iFrom, hint.iTo);
      }
      break;
    case LVN_ODFINDITEMW:
      if (m_pData) {
        lReturn = OnFindItem(*reinterpret_cast<const NMLVFINDITEMW*>(lParam));
        bHandled = true;
      }
      break;
    case LVN_ODSTATECHANGED: {
      const auto& change = *reinterpret_cast<const NMLVODSTATECHANGE*>(lParam);
      RaiseItemClicks(change.iFrom, change.iTo, change.uOldState, change.uNewState);
      break;
    }
    case NM_CUSTOMDRAW:
      if (m_bRaiseSubItemPrePaint || DrawsItemIcons()) {
        lReturn = CustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(lParam));
        bHandled = true;
      }
      break;
    case NM_DBLCLK:
    case NM_RDBLCLK: Events().DblClick(); break;
    case NM_CLICK: OnListClick(1, *reinterpret_cast<const NMITEMACTIVATE*>(lParam)); break;
    case NM_RCLICK: OnListClick(2, *reinterpret_cast<const NMITEMACTIVATE*>(lParam)); break;
  }
}

void ucListView::OnItemChanged(const NMLISTVIEW& nm) {
  // An owner-data list reports a change of every item as one of item -1.
  if (nm.iItem == -1) {
    RaiseItemClicks(0, Count() - 1, nm.uOldState, nm.uNewState);
  } else if (nm.uOldState) {
    if ((nm.uOldState ^ nm.uNewState) & LVIS_STATEIMAGEMASK) Events().ItemCheck(nm.iItem);
  } else {
    RaiseItemClicks(nm.iItem, nm.iItem, 0, nm.uNewState);
  }
}

// Each item that a change selects is clicked, as when it changes alone.
void ucListView::RaiseItemClicks(int From, int To, UINT OldState, UINT NewState) {
  if (m_bSuppressItemClick || !(NewState & LVIS_SELECTED) || (OldState & LVIS_SELECTED)) return;
  for (int Item = From; Item <= To; ++Item) Events().ItemClick(Item);
}

void ucListView::OnListClick(int Button, const NMITEMACTIVATE& nm) {
  m_bClickNotified = true;
  if (ClickCounts(nm.ptAction)) RaiseClick(Button, nm.ptAction);
}

// A left or right click counts on an item (not its check box); with multiple
// selection anywhere but on a check box.
bool ucListView::ClickCounts(POINT pt) const {
  const int flags = HitTestFlags(pt);
  return m_bMultiSelect ? flags != LVHT_ONITEMSTATEICON : OnItemProper(flags);
}

void ucListView::RaiseClick(int Button, POINT pt) {
  RaiseMouse(&ucListViewEvents::MouseUp, Button, pt);
  Events().Click();
}

void ucListView::OnBeginLabelEdit(bool& bHandled, LRESULT& lReturn) {
  int Cancel = 0;
  Events().BeforeLabelEdit(Cancel);
  if (Cancel) {
    lReturn = TRUE;  // the list then never opens the editor
    bHandled = true;
  }
}

void ucListView::OnEndLabelEdit(bool& bHandled, LRESULT& lReturn, const NMLVDISPINFOW& info) {
  std::wstring NewString = info.item.pszText ? info.item.pszText : L"";
  int Cancel = 0;
  Events().AfterLabelEdit(Cancel, NewString);
  // No text means the user cancelled the edit; otherwise the host decides.
  if (!Cancel && info.item.pszText) {
    lReturn = TRUE;
    bHandled = true;
  }
}

LRESULT ucListView::CustomDraw(NMLVCUSTOMDRAW& cd) {
  const LRESULT PostPaint = DrawsItemIcons() ? CDRF_NOTIFYPOSTPAINT : CDRF_DODEFAULT;
  switch (cd.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      if (PostPaint) FirstColumnSpan();
      return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: return (m_bRaiseSubItemPrePaint ? CDRF_NOTIFYSUBITEMDRAW : CDRF_DODEFAULT) | PostPaint;
    case CDDS_ITEMPOSTPAINT:
      DrawItemIcon(cd);
      return CDRF_DODEFAULT;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
      if (!m_bRaiseSubItemPrePaint) return CDRF_DODEFAULT;
      COLORREF TextBackColor = 0, TextForeColor = 0;
      bool Process = false;
      Events().OnSubItemPrePaint(static_cast<int>(cd.nmcd.dwItemSpec), cd.iSubItem, TextBackColor, TextForeColor,
                                 Process);
      if (Process) {
        cd.clrTextBk = TranslateColor(TextBackColor);
        cd.clrText = TranslateColor(TextForeColor);
      }
      return CDRF_DODEFAULT;
    }
    default: return CDRF_DODEFAULT;
  }
}

void ucListView::OnListMessage(bool bBefore, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  switch (uMsg) {
    case WM_SETFOCUS: ActivateInPlace(); break;
    case WM_KEYDOWN:
    case WM_KEYUP: {
      int KeyCode = static_cast<int>(wParam & 0x7FFF);
      int Shift = ShiftState();
      if (uMsg == WM_KEYDOWN) Events().KeyDown(KeyCode, Shift);
      else Events().KeyUp(KeyCode, Shift);
      break;
    }
    case WM_CHAR: OnChar(wParam); break;
    case WM_MOUSEMOVE: OnMouseMove(wParam, lParam); break;
    case WM_LBUTTONDOWN: OnButtonDown(1, lParam); break;
    case WM_RBUTTONDOWN: OnButtonDown(2, lParam); break;
    case WM_MBUTTONDOWN: OnButtonDown(4, lParam); break;
    case WM_LBUTTONUP: OnButtonUp(bBefore, 1, lParam); break;
    case WM_RBUTTONUP: OnButtonUp(bBefore, 2, lParam); break;
    case WM_MBUTTONUP: OnButtonUp(bBefore, 4, lParam); break;
    case WM_MOUSELEAVE: OnMouseLeave(); break;
  }
}

void ucListView::OnChar(WPARAM wParam) {
  const int code = static_cast<int>(wParam & 0x7FFF);
  int KeyAscii = code;
  Events().KeyPress(KeyAscii);
  if (code != VK_SPACE) return;
  const auto item = static_cast<int>(SendList(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED | LVNI_SELECTED));
  if (item != -1) Events().ItemClick(item);
}

void ucListView::OnMouseMove(WPARAM wParam, LPARAM lParam) {
  if (!m_bMouseInside) {
    m_bMouseInside = true;
    TrackMouseLeave();
    Events().MouseEnter();
  }
  const POINT pt = PointOf(lParam);
  float X = PixelsToScaleX(pt.x), Y = PixelsToScaleY(pt.y);
  if (X == m_sngLastX && Y == m_sngLastY) return;
  m_sngLastX = X;
  m_sngLastY = Y;
  int Button = (wParam & MK_LBUTTON) ? 1 : (wParam & MK_RBUTTON) ? 2 : (wParam & MK_MBUTTON) ? 4 : 0;
  int Shift = ShiftState();
  Events().MouseMove(Button, Shift, X, Y);
}

void ucListView::OnButtonDown(int Button, LPARAM lParam) {
  const POINT pt = PointOf(lParam);
  RaiseMouse(&ucListViewEvents::MouseDown, Button, pt);
  // A press on an item that is already focused or selected changes no state,
  // so the list reports nothing: the item click is raised here.
  int item = -1;
  const int flags = HitTestFlags(pt, &item);
  if (item != -1 && OnItemProper(flags) && SendList(LVM_GETITEMSTATE, item, LVIS_FOCUSED | LVIS_SELECTED))
    Events().ItemClick(item);
}

// Lists that track the press themselves swallow the button-up and send NM_CLICK
// or NM_RCLICK; others let it through, send the notification from it or not at
// all. Either way the click is reported once, with the same hit rules. The
// middle button has no click notification, and so no hit rules: it always counts.
void ucListView::OnButtonUp(bool bBefore, int Button, LPARAM lParam) {
  const POINT pt = PointOf(lParam);
  if (bBefore) m_bClickNotified = false;
  else if (Button == 4) RaiseClick(Button, pt);
  else if (!m_bClickNotified && ClickCounts(pt)) RaiseClick(Button, pt);
}

void ucListView::OnMouseLeave() {
  m_bMouseInside = false;
  Events().MouseLeave();
  m_sngLastX = m_sngLastY = -1.0f;
}

void ucListView::RaiseMouse(void (ucListViewEvents::*event)(int&, int&, float&, float&), int Button, POINT pt) {
  int Shift = ShiftState();
  float X = PixelsToScaleX(pt.x), Y = PixelsToScaleY(pt.y);
  (Events().*event)(Button, Shift, X, Y);
}
