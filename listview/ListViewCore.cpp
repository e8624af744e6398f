#include "ucListView.h"

#include <cmath>

namespace {

constexpr wchar_t kControlClass[] = L"LumoraListView";

// WS_CHILD | WS_TABSTOP | LVS_AUTOARRANGE | LVS_SHAREIMAGELISTS | LVS_SHOWSELALWAYS
// | LVS_SINGLESEL | LVS_LIST, created hidden and shown once it exists.
constexpr DWORD kListStyle = 0x4001014F;
// The border belongs to the control window, never to the list inside it.
constexpr DWORD kEdgeStyles = WS_EX_CLIENTEDGE | WS_EX_STATICEDGE | WS_EX_WINDOWEDGE;

double UnitsPerInch(int ScaleMode, bool vertical) {
  switch (ScaleMode) {
    case SCALE_POINTS: return 72;
    case SCALE_CHARACTERS: return vertical ? 6 : 12;  // 240 by 120 twips
    case SCALE_INCHES: return 1;
    case SCALE_MILLIMETERS: return 25.4;
    case SCALE_CENTIMETERS: return 2.54;
    default: return 1440;
  }
}

}  // namespace

ucListView::ucListView(ucListViewEvents* events) : m_Events(events) {
  const INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&icc);
  m_oFont.Listener(this);
}

ucListView::~ucListView() {
  Terminate(false);
  m_hWnd.reset();
}

bool ucListView::Create(HWND parent, int x, int y, int width, int height, int id) {
  static const ATOM registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = ControlProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kControlClass;
    return RegisterClassExW(&wc);
  }();
  if (!registered || m_hWnd) return false;
  m_hWnd.reset(CreateWindowExW(0, kControlClass, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPCHILDREN,
                               x, y, width, height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                               GetModuleHandleW(nullptr), this));
  if (!m_hWnd) return false;
  ApplyBorderStyle();  // a border chosen before the window existed
  return true;
}

LRESULT CALLBACK ucListView::ControlProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  if (uMsg == WM_NCCREATE)
    SetWindowLongPtrW(hWnd, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
  auto* self = reinterpret_cast<ucListView*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
  if (self) {
    switch (uMsg) {
      case WM_SIZE: self->UserControl_Resize(); return 0;
      case WM_SETFOCUS: self->UserControl_GotFocus(); return 0;
      // The list still exists here, though the host is destroying the windows.
      case WM_DESTROY: self->TakeStateImageList(); break;
      case WM_NCDESTROY:
        // The host destroyed its window, and with it ours, before the control ended.
        SetWindowLongPtrW(hWnd, GWLP_USERDATA, 0);
        self->Terminate(true);
        break;
    }
  }
  return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

bool ucListView::Initialize() {
  if (m_bInitialized || !CreateListView()) return false;
  m_bInitialized = true;
  const HWND control = m_hWnd.get();
  const HWND list = m_hListView.get();
  m_Subclass.SubclassStart(control);
  m_Subclass.SubclassStart(list);
  for (UINT msg : {WM_MOUSEACTIVATE, WM_NOTIFY}) m_Subclass.SubclassAddMsg(control, msg, MSG_BEFORE);
  for (UINT msg : {WM_SETFOCUS, WM_KEYDOWN, WM_CHAR, WM_KEYUP, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN,
                   WM_MOUSEMOVE, WM_MOUSELEAVE, WM_NOTIFY})
    m_Subclass.SubclassAddMsg(list, msg, MSG_BEFORE);
  // After as well: a click is reported once, whether or not the list sends NM_CLICK from its button-up.
  for (UINT msg : {WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP})
    m_Subclass.SubclassAddMsg(list, msg, MSG_BEFORE_AND_AFTER);
  m_sngLastX = m_sngLastY = -1.0f;
  InPlaceHookAttach(m_InPlace, *this);
  if (m_bFontSet) ApplyFont();
  return true;
}

bool ucListView::CreateListView() {
  DestroyListView();
  if (!m_hWnd) return false;
  RECT rc{};
  GetClientRect(m_hWnd.get(), &rc);
  const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(m_hWnd.get(), GWL_EXSTYLE)) & ~kEdgeStyles;
  const DWORD style = kListStyle | (m_pData ? LVS_OWNERDATA : 0);
  m_hListView.reset(CreateWindowExW(exStyle, WC_LISTVIEWW, L"", style, 0, 0, rc.right, rc.bottom, m_hWnd.get(),
                                    nullptr, GetModuleHandleW(nullptr), nullptr));
  if (!m_hListView) return false;
  ShowWindow(m_hListView.get(), SW_SHOW);
  return true;
}

void ucListView::DestroyListView() {
  m_hListView.reset();
  m_hHeader = nullptr;
}

void ucListView::Terminate(bool windowsGone) {
  if (m_bInitialized) {
    m_bInitialized = false;
    InPlaceHookDetach(m_InPlace);
    m_Subclass.SubclassStopAll();
    if (!windowsGone) TakeStateImageList();
    m_hImlSmall.reset();
    m_hImlLarge.reset();
    m_hImlHeader.reset();
    m_hImlState.reset();
    m_hFont.reset();
  }
  if (windowsGone) {
    m_hListView.release();
    m_hWnd.release();
    m_hHeader = nullptr;
  } else {
    DestroyListView();
  }
}

void ucListView::UserControl_Resize() {
  if (!m_hListView) return;
  RECT rc{};
  GetClientRect(m_hWnd.get(), &rc);
  SetWindowPos(m_hListView.get(), nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
               SWP_NOZORDER | SWP_NOOWNERZORDER);
  Events().Resize();
}

void ucListView::UserControl_GotFocus() {
  if (m_hListView) SetFocus(m_hListView.get());
}

void ucListView::ActivateInPlace() { InPlaceActivate(m_InPlace); }

bool ucListView::TranslateAccelerator(MSG& msg) {
  if (msg.message != WM_KEYDOWN && msg.message != WM_KEYUP) return false;
  if (msg.wParam == VK_TAB) {
    if (m_pSite && GetKeyState(VK_CONTROL) < 0) m_pSite->TranslateAccelerator(msg, GetKeyState(VK_SHIFT) < 0 ? 1 : 0);
    return false;
  }
  if (msg.wParam < VK_PRIOR || msg.wParam > VK_DOWN || !m_hListView) return false;
  const auto edit = reinterpret_cast<HWND>(SendList(LVM_GETEDITCONTROL));
  SendMessageW(edit ? edit : m_hListView.get(), msg.message, msg.wParam, msg.lParam);
  return true;
}

void ucListView::TrackMouseLeave() {
  TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, m_hListView.get(), 0};
  TrackMouseEvent(&tme);
}

ucListViewEvents& ucListView::Events() const {
  static ucListViewEvents none;
  return m_Events ? *m_Events : none;
}

void ucListView::Refresh() {
  if (m_hWnd) RedrawWindow(m_hWnd.get(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

int ucListView::ShiftState() {
  return (GetKeyState(VK_SHIFT) < 0 ? 1 : 0) | (GetKeyState(VK_CONTROL) < 0 ? 2 : 0) | (GetKeyState(VK_MENU) < 0 ? 4 : 0);
}

double ucListView::PixelsPerUnit(bool vertical) const {
  if (m_nScaleMode == SCALE_PIXELS) return 1.0;
  const WindowDC dc(m_hWnd.get());
  return GetDeviceCaps(dc.get(), vertical ? LOGPIXELSY : LOGPIXELSX) / UnitsPerInch(m_nScaleMode, vertical);
}

float ucListView::PixelsToScaleX(int Pixels) const { return static_cast<float>(Pixels / PixelsPerUnit(false)); }
float ucListView::PixelsToScaleY(int Pixels) const { return static_cast<float>(Pixels / PixelsPerUnit(true)); }
int ucListView::ScaleToPixelsX(float Value) const { return static_cast<int>(std::lround(Value * PixelsPerUnit(false))); }
int ucListView::ScaleToPixelsY(float Value) const { return static_cast<int>(std::lround(Value * PixelsPerUnit(true))); }

void ucListView::ScaleMode(int Value) {
  if (Value >= SCALE_TWIPS && Value <= SCALE_CENTIMETERS) m_nScaleMode = Value;
}

LRESULT ucListView::SendList(UINT uMsg, WPARAM wParam, LPARAM lParam) const {
  return m_hListView ? SendMessageW(m_hListView.get(), uMsg, wParam, lParam) : 0;
}

LRESULT ucListView::SendHeader(UINT uMsg, WPARAM wParam, LPARAM lParam) const {
  return m_hHeader ? SendMessageW(m_hHeader, uMsg, wParam, lParam) : 0;
}

int ucListView::HitTestFlags(POINT pt, int* Item) const {
  LVHITTESTINFO info{};
  info.pt = pt;
  SendList(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info));
  if (Item) *Item = m_hListView ? info.iItem : -1;
  return static_cast<int>(info.flags);
}
