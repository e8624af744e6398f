#include "Form.h"

#include <windowsx.h>

#include "Layout.h"
#include "WindowPlace.h"

namespace {

constexpr wchar_t kFormClass[] = L"LumoraForm";
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

void RegisterFormClass(WNDPROC proc) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = proc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
  windowClass.lpszClassName = kFormClass;
  RegisterClassExW(&windowClass);
}

void CentreOver(HWND window, HWND owner) {
  RECT ownerRect, rect;
  if (!owner || !GetWindowRect(owner, &ownerRect) || !GetWindowRect(window, &rect)) return;
  const LONG width = rect.right - rect.left;
  const LONG height = rect.bottom - rect.top;
  const LONG left = (ownerRect.left + ownerRect.right - width) / 2;
  const LONG top = (ownerRect.top + ownerRect.bottom - height) / 2;
  const RECT workArea = WorkArea(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST));
  const RECT centred = KeepInside({left, top, left + width, top + height}, workArea);
  SetWindowPos(window, nullptr, centred.left, centred.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The foreground window is the owner or another window of the same program.
bool ProgramHasFocus(HWND owner) {
  const HWND foreground = GetForegroundWindow();
  DWORD foregroundProcess = 0;
  DWORD ownerProcess = 0;
  GetWindowThreadProcessId(foreground, &foregroundProcess);
  GetWindowThreadProcessId(owner, &ownerProcess);
  return foreground && foregroundProcess == ownerProcess;
}

}  // namespace

Form::~Form() {
  if (hWnd_) DestroyWindow(hWnd_);
}

void Form::Hide() const {
  if (hWnd_) ShowWindow(hWnd_, SW_HIDE);
}

// The form opens centred over its owner and above it. It takes the focus only
// while the owner's program has it: a form that opens late (its load waits on
// the network) must not pull the user away from the program they switched to.
void Form::Show(HWND owner) {
  if (!hWnd_) {
    RegisterFormClass(WindowProc);
    dpi_ = ScreenDpi();
    HMENU menu = CreateMenuBar();
    const SIZE client = ClientTwips();
    const SIZE outer = WindowSizeForClient(client.cx, client.cy, Style(), 0, menu != nullptr, dpi_);
    hWnd_ = CreateWindowExW(WS_EX_CONTROLPARENT, kFormClass, Caption(), Style(), CW_USEDEFAULT, CW_USEDEFAULT,
                            outer.cx, outer.cy, owner, menu, GetModuleHandleW(nullptr), this);
    if (!hWnd_) {
      if (menu) DestroyMenu(menu);
      return;
    }
    Load();
    loaded_ = true;
    if (place_) {
      SetWindowPlacement(hWnd_, &*place_);
    } else {
      CentreOver(hWnd_, owner);
    }
  }
  const bool focusIsOurs = ProgramHasFocus(owner);
  ShowWindow(hWnd_, focusIsOurs ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE);  // both restore a minimised form
  SetWindowPos(hWnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | (focusIsOurs ? 0 : SWP_NOACTIVATE));
}

HWND Form::CreateChild(const wchar_t* className, const wchar_t* text, DWORD style, int left, int top, int width,
                       int height, int id) {
  return CreateControl(hWnd_, className, text, style, 0, {left, top, width, height}, id, dpi_);
}

DWORD Form::Style() const {
  return MinimumClientTwips() ? kFormStyle | WS_THICKFRAME | WS_MAXIMIZEBOX : kFormStyle;
}

void Form::OnGetMinMaxInfo(MINMAXINFO& info) const {
  const std::optional<SIZE> minimum = MinimumClientTwips();
  if (!minimum) return;
  const SIZE outer = WindowSizeForClient(minimum->cx, minimum->cy, Style(), 0, GetMenu(hWnd_) != nullptr, dpi_);
  info.ptMinTrackSize = {outer.cx, outer.cy};
}

// The place is kept hidden, so that the next window takes it before it shows.
void Form::OnDestroy() {
  loaded_ = false;
  if (!MinimumClientTwips()) return;
  WINDOWPLACEMENT placement{};
  placement.length = sizeof(placement);
  if (!GetWindowPlacement(hWnd_, &placement)) return;
  placement.flags = 0;
  placement.showCmd = SW_HIDE;
  place_ = placement;
}

LRESULT CALLBACK Form::WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* form = static_cast<Form*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    form->hWnd_ = hWnd;
    SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  }
  auto* form = reinterpret_cast<Form*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
  if (form) {
    switch (message) {
      case WM_COMMAND:
        form->OnCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
      case WM_SIZE:
        if (form->loaded_) form->OnSize(LOWORD(lParam), HIWORD(lParam));
        return 0;
      case WM_GETMINMAXINFO:
        form->OnGetMinMaxInfo(*reinterpret_cast<MINMAXINFO*>(lParam));
        return 0;
      case WM_CONTEXTMENU:
        if (form->OnContextMenu(reinterpret_cast<HWND>(wParam), {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)})) {
          return 0;
        }
        break;
      case WM_SETFOCUS:
        if (const HWND control = form->FocusControl()) {
          SetFocus(control);
          return 0;
        }
        break;
      case WM_DESTROY:
        form->OnDestroy();
        break;
      case WM_NCDESTROY:
        form->hWnd_ = nullptr;
        SetWindowLongPtrW(hWnd, GWLP_USERDATA, 0);
        break;
    }
  }
  return DefWindowProcW(hWnd, message, wParam, lParam);
}
