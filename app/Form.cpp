#include "Form.h"

#include "Layout.h"

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

}  // namespace

Form::~Form() {
  if (hWnd_) DestroyWindow(hWnd_);
}

void Form::Show(HWND owner) {
  if (hWnd_) {
    ShowWindow(hWnd_, SW_SHOWNORMAL);
    SetForegroundWindow(hWnd_);
    return;
  }
  RegisterFormClass(WindowProc);
  dpi_ = ScreenDpi();
  const SIZE client = ClientTwips();
  const SIZE outer = WindowSizeForClient(client.cx, client.cy, kFormStyle, 0, false, dpi_);
  hWnd_ = CreateWindowExW(WS_EX_CONTROLPARENT, kFormClass, Caption(), kFormStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                          outer.cx, outer.cy, owner, nullptr, GetModuleHandleW(nullptr), this);
  if (!hWnd_) return;
  Load();
  ShowWindow(hWnd_, SW_SHOWNORMAL);
}

HWND Form::CreateChild(const wchar_t* className, const wchar_t* text, DWORD style, int left, int top, int width,
                       int height, int id) {
  return CreateControl(hWnd_, className, text, style, 0, {left, top, width, height}, id, dpi_);
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
      case WM_NCDESTROY:
        form->hWnd_ = nullptr;
        SetWindowLongPtrW(hWnd, GWLP_USERDATA, 0);
        break;
    }
  }
  return DefWindowProcW(hWnd, message, wParam, lParam);
}
