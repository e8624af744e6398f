#include "frmMain.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <utility>

#include "Layout.h"
#include "RowColours.h"
#include "TableCommands.h"
#include "frmMainIds.h"
#include "LumoraConfig.h"
#include "WindowPlace.h"

namespace {

constexpr wchar_t kMainClass[] = L"LumoraMain";
constexpr wchar_t kStripClass[] = L"LumoraStrip";
constexpr DWORD kMainStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr int kStripHeight = 2055;
constexpr UINT kPasswordWarning = WM_APP + 1;
constexpr UINT kServiceAnswer = WM_APP + 2;

void RegisterClasses(WNDPROC mainProc, WNDPROC stripProc) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.hIcon = LoadIconW(windowClass.hInstance, MAKEINTRESOURCEW(1));
  windowClass.lpfnWndProc = mainProc;
  windowClass.lpszClassName = kMainClass;
  RegisterClassExW(&windowClass);
  windowClass.lpfnWndProc = stripProc;
  windowClass.lpszClassName = kStripClass;
  RegisterClassExW(&windowClass);
}

}  // namespace

frmMain::frmMain(frmMainServices services)
    : services_(std::move(services)),
      serviceSetting_(services_.settings, services_.serviceAddress),
      urls_(serviceSetting_.Current()),
      table_(std::make_unique<mTCPTable>(std::move(services_.rowSource))),
      lvInfo_(this),
      Form1_(worker_, urls_),
      Form3_(localring_, serviceSetting_, *services_.prompts, minimizeToTray_, services_.settings) {}

frmMain::~frmMain() {
  if (hWnd_) DestroyWindow(hWnd_);
}

bool frmMain::Create(int showCommand) {
  RegisterClasses(WindowProc, StripProc);
  dpi_ = ScreenDpi();
  HMENU menu = CreateMenu();
  AppendMenuW(menu, MF_STRING, kMenuCf, L"配置");
  AppendMenuW(menu, MF_STRING, kMenuAb, L"关于");
  AppendMenuW(menu, MF_STRING, kMenuHistory, L"历史");
  AppendMenuW(menu, MF_STRING, kMenuExport, kExportCommandText);
  const SIZE outer = WindowSizeForClient(6645, 5895, kMainStyle, WS_EX_CONTROLPARENT, true, dpi_);
  hWnd_ = CreateWindowExW(WS_EX_CONTROLPARENT, kMainClass, L"", kMainStyle, CW_USEDEFAULT, CW_USEDEFAULT, outer.cx,
                          outer.cy, nullptr, menu, GetModuleHandleW(nullptr), this);
  if (!hWnd_) {
    DestroyMenu(menu);
    return false;
  }
  Form_Load();
  if (!hWnd_) return false;
  ShowWindowPlaced(hWnd_, services_.settings, showCommand, dpi_);
  if (std::exchange(tipsWaiting_, false)) Form1_.Show(hWnd_);
  return true;
}

LRESULT CALLBACK frmMain::WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<frmMain*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->hWnd_ = hWnd;
    SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<frmMain*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hWnd, message, wParam, lParam);
  return self->OnMessage(message, wParam, lParam);
}

// The strip only holds controls; their notifications belong to the window.
LRESULT CALLBACK frmMain::StripProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) return SendMessageW(GetParent(hWnd), message, wParam, lParam);
  return DefWindowProcW(hWnd, message, wParam, lParam);
}

// The warning comes when the focus arrives from another control of this
// window, not when it returns from the warning itself or another program.
LRESULT CALLBACK frmMain::PasswordProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                       DWORD_PTR self) {
  auto* form = reinterpret_cast<frmMain*>(self);
  if (message == WM_SETFOCUS) {
    HWND previous = reinterpret_cast<HWND>(wParam);
    if (previous && previous != hWnd && IsChild(form->hWnd_, previous)) {
      PostMessageW(form->hWnd_, kPasswordWarning, 0, 0);
    }
  } else if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(hWnd, PasswordProc, 0);
  }
  return DefSubclassProc(hWnd, message, wParam, lParam);
}

LRESULT frmMain::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      OnCreate();
      return 0;
    case WM_SIZE:
      OnSize(LOWORD(lParam), HIWORD(lParam));
      if (wParam == SIZE_MINIMIZED) OnMinimized();
      return 0;
    case kTrayMessage:
      OnTrayMessage(static_cast<UINT>(lParam));
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_CONTEXTMENU:
      OnContextMenu(reinterpret_cast<HWND>(wParam), {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return 0;
    case WM_SETTINGCHANGE:
    case WM_SYSCOLORCHANGE:
      OnSettingChange();
      return DefWindowProcW(hWnd_, message, wParam, lParam);
    case WM_ACTIVATE:
      OnActivate(LOWORD(wParam));
      return 0;
    case WM_TIMER:
      if (wParam == kTimer1) Timer1_Timer();
      if (wParam == kTimer2) Timer2_Timer();
      if (wParam == kSnapshotRetry) SnapshotRetry_Timer();
      return 0;
    case kPasswordWarning:
      Tell(L"邮箱授权码并不是邮箱的登录密码！如果不清楚的，强烈建议看使用说明！！");
      return 0;
    case kServiceAnswer:
      worker_.DeliverAnswers();
      return 0;
    case kSnapshotTaken:
      OnSnapshotTaken();
      return 0;
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_ENDSESSION:
      if (wParam) SaveSession();
      return 0;
    case WM_DPICHANGED:
      OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_DESTROY:
      OnDestroy();
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(hWnd_, GWLP_USERDATA, 0);
      hWnd_ = nullptr;
      return 0;
    default:
      if (message == taskbarCreated_ && tray_ && !closing_) {
        tray_->Readd();
        return 0;
      }
      return DefWindowProcW(hWnd_, message, wParam, lParam);
  }
}

void frmMain::OnCreate() {
  CreateControls();
  worker_.NotifyWindow(hWnd_, kServiceAnswer);
  SetTimer(hWnd_, kTimer2, 5000, nullptr);
  keys_.Attach(hWnd_, {{FVIRTKEY, VK_F5, kCmdRefresh}});
  CreateTrayIcon();
}

// Creation order is the tab order.
void frmMain::CreateControls() {
  auto px = [this](int twips) { return TwipsToPixels(twips, dpi_); };
  lvInfo_.Create(hWnd_, px(120), px(2160), px(6375), px(3495), kLvInfo);
  filter_.Create(hWnd_, kFilter, dpi_);
  tlbCommand_ = CreateControl(hWnd_, kStripClass, L"", WS_CLIPCHILDREN, WS_EX_CONTROLPARENT,
                              {0, 0, 6645, kStripHeight}, kTlbCommand, dpi_);

  auto add = [this](const wchar_t* cls, const wchar_t* text, DWORD style, DWORD exStyle, TwipsRect at, int id) {
    return CreateControl(tlbCommand_, cls, text, style, exStyle, at, id, dpi_);
  };
  const DWORD label = ES_READONLY | ES_AUTOHSCROLL;
  const DWORD field = ES_AUTOHSCROLL | WS_TABSTOP;
  cmdRefresh_.Attach(add(L"BUTTON", L"刷新", WS_TABSTOP | WS_DISABLED, 0, {9480, 840, 1695, 375}, kCmdRefresh));
  cmdDisconnect_.Attach(add(L"BUTTON", L"断开", WS_TABSTOP | WS_DISABLED, 0, {9000, 360, 255, 615}, kCmdDisconnect));
  Command1_.Attach(add(L"BUTTON", L"开始/停止", WS_TABSTOP, 0, {4920, 1560, 1455, 375}, kCommand1));
  const std::wstring placeholder = L"XXXX@" + std::wstring(kMailDomain);
  txtwxid_.Attach(add(L"EDIT", placeholder.c_str(), field, WS_EX_CLIENTEDGE, {720, 0, 1935, 270}, kTxtwxid));
  Command2_.Attach(add(L"BUTTON", L"Command2", WS_TABSTOP | WS_DISABLED, 0, {10320, 600, 855, 255}, kCommand2));
  Text2_.Attach(add(L"EDIT", L"Text2", ES_MULTILINE | WS_DISABLED, WS_EX_CLIENTEDGE, {9840, 240, 1575, 270}, kText2));
  cpid_.Attach(add(L"COMBOBOX", L"", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP, 0,
                   {5760, 0, 735, 300 * 6}, kCpid));
  Text3_.Attach(add(L"EDIT", L"邮箱:", label, 0, {120, 0, 615, 270}, kText3));
  Text4_.Attach(add(L"EDIT", L"电脑标识:", label, 0, {4680, 0, 975, 270}, kText4));
  Text1_.Attach(add(L"EDIT", L"邮箱授权码:", label, 0, {2640, 0, 1095, 270}, kText1));
  pwd_.Attach(add(L"EDIT", L"", field | ES_PASSWORD, WS_EX_CLIENTEDGE, {3720, 0, 975, 270}, kPwd));
  Label1_.Attach(add(L"STATIC", L"请双击添加你要监控的程序！可多选。", 0, 0, {120, 1680, 4575, 375}, kLabel1));
  List1_.Attach(add(L"LISTBOX", L"", WS_VSCROLL | LBS_NOINTEGRALHEIGHT | WS_TABSTOP, WS_EX_CLIENTEDGE,
                    {120, 360, 6375, 1110}, kList1));
  statusBar_.Create(hWnd_, kStatusBar, dpi_);

  SendMessageW(pwd_.hWnd(), EM_SETPASSWORDCHAR, L'*', 0);
  SetWindowSubclass(pwd_.hWnd(), PasswordProc, 0, reinterpret_cast<DWORD_PTR>(this));
  CComboBox combo;
  combo.Attach(cpid_.hWnd());
  for (const wchar_t* id : {L"1", L"2", L"3", L"4", L"5"}) combo.AddString(id);
  cpid_.SetText(L"1");
}

void frmMain::Form_Load() {
  List1_.AddString(L"监控列表：");
  ringon_ = false;
  SetWindowTextW(hWnd_, (L"掉线Lumora" + std::wstring(kVersion)).c_str());
  LoadRememberedAccount();
  minimizeToTray_ = services_.settings.Read(Form3::kMinimizeToTrayName) == L"1";
  localring_ = 1;
  worker_.Send(urls_.Tips(), [this](const ServiceReply& reply) { OnTips(reply); });
  k_ = 0;
  lvInfo_.Initialize();
  lvInfo_.BorderStyle(2);
  lvInfo_.ViewMode(1);
  lvInfo_.FullRowSelect(true);
  lvInfo_.MultiSelect(true);
  lvInfo_.RaiseSubItemPrePaint(true);
  view_.ShowProgramIcons();
  highContrast_ = HighContrastOn();
  columns_.Add(lvInfo_, dpi_);
  RefreshList();
}

// The tips window opens when the service has tips; it asks for them itself.
void frmMain::OnTips(const ServiceReply& reply) {
  OnServiceAnswer(reply);
  if (!hWnd_ || closing_ || reply.kind != ReplyKind::Success || reply.text.empty()) return;
  // An answer that comes while the load still runs waits for the window to be
  // shown, or the window would open over the tips.
  if (IsWindowVisible(hWnd_)) {
    Form1_.Show(hWnd_);
  } else {
    tipsWaiting_ = true;
  }
}

// The filter box lies under the strip; the connection list fills the room
// between it and the status bar.
void frmMain::OnSize(int width, int height) {
  const int strip = TwipsToPixels(kStripHeight, dpi_);
  const int top = strip + filter_.Height();
  statusBar_.Resize();
  MoveWindow(tlbCommand_, 0, 0, width, strip, TRUE);
  filter_.Move(0, strip, width);
  MoveWindow(lvInfo_.hWnd(), 0, top, width, std::max(0, height - top - statusBar_.Height()), TRUE);
}

void frmMain::OnCommand(int id, int code) {
  switch (id) {
    case kFilter:
      if (code == EN_CHANGE) FilterChanged();
      break;
    case kMenuExport: Export_Click(); break;
    case kCommand1: Command1_Click(); break;
    case kCmdRefresh: cmdRefresh_Click(); break;
    case kCmdDisconnect: cmdDisconnect_Click(); break;
    case kMenuCf: cf_Click(); break;
    case kMenuAb: ab_Click(); break;
    case kMenuHistory: History_Click(); break;
    case kTrayShow: RestoreWindow(); break;
    case kTrayStartStop: Command1_Click(); break;
    case kTrayExit: OnClose(); break;
  }
}

// Like a dialog, the window gives the focus back to the control that had it.
void frmMain::OnActivate(int state) {
  if (state == WA_INACTIVE) {
    HWND focus = GetFocus();
    if (IsChild(hWnd_, focus)) lastFocus_ = focus;
  } else if (IsWindow(lastFocus_) && IsChild(hWnd_, lastFocus_)) {
    SetFocus(lastFocus_);
  } else {
    SetFocus(lvInfo_.hListView());
  }
}

// The confirmation opens once; a close asked for meanwhile adds nothing.
void frmMain::OnClose() {
  if (closing_ || confirmingClose_) return;
  confirmingClose_ = true;
  ConfirmClose();
}

// After the confirmation the run ends and every window of the program goes at
// once; the program ends when the monitoring-off request is answered or its
// bound, counted from now, has passed. Requests not yet sent are dropped so
// that none goes before it. Only a run of this session is signed off, with the
// account it switched on.
void frmMain::ConfirmClose() {
  const bool confirmed = services_.prompts->MsgBox(hWnd_, L"你真的要退出吗?", L"提示", MB_OKCANCEL) == IDOK;
  confirmingClose_ = false;
  if (!confirmed || !hWnd_) return;
  closing_ = true;
  if (k_ == 1) EndRun();
  Form1_.Hide();
  Form3_.Hide();
  history_.Hide();
  ShowWindow(hWnd_, SW_HIDE);
  if (tray_) tray_->Remove();
  KillTimer(hWnd_, kTimer2);
  worker_.DropQueued();
  if (run_ == 0) {
    DestroyWindow(hWnd_);
    return;
  }
  worker_.Send(urls_.MonitoringOff(account_.wxid, account_.cpid, account_.pwd),
               [this](const ServiceReply&) { DestroyWindow(hWnd_); }, GetTickCount64() + kRequestBudgetMs);
}

void frmMain::OnDpiChanged(int dpi, const RECT& suggested) {
  columns_.DpiChanged(lvInfo_, dpi);
  SetWindowPos(hWnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

// Windows ending the session ends the program without closing the window: what
// is remembered is saved then too. No monitoring-off goes out: the service
// reports the computer silent after its grace, which is what a user wants
// when a restart they did not start stops the watching.
void frmMain::SaveSession() {
  SaveWindowPlace(hWnd_, services_.settings, dpi_);
  if (run_ > 0) RememberAccount();
}

void frmMain::OnDestroy() {
  SaveSession();
  keys_.Detach();
  tray_.reset();
  worker_.NotifyWindow(nullptr, 0);
  KillTimer(hWnd_, kTimer1);
  KillTimer(hWnd_, kTimer2);
  KillTimer(hWnd_, kSnapshotRetry);
  if (services_.onClosed) services_.onClosed();
  // A snapshot still being taken would tell a window that is gone; it is
  // waited for here, not only when the program's objects end.
  table_->EndFetch();
}

void frmMain::Tell(const std::wstring& text) {
  services_.prompts->MsgBox(hWnd_, text, L"提示", MB_OK);
}

// A refresh asked for while a snapshot is being taken gets that one.
void frmMain::RefreshList() {
  TakeSnapshot();
}

void frmMain::cmdRefresh_Click() {
  RefreshList();
}

// The arrow shows at once; the rows move in the model's order.
void frmMain::lvInfo_ColumnClick(int column) {
  sort_.Click(column);
  if (sort_.Column() < 0) return;
  sort_.ShowArrow(lvInfo_.hHeader());
  view_.SortBy(sort_.Column(), sort_.Ascending());
}

void frmMain::cmdDisconnect_Click() {
  const int item = lvInfo_.SelectionItem();
  if (item < 0 || item >= view_.Count()) return;
  services_.prompts->MsgBox(hWnd_, view_.Row(item).texts[kLocalPortColumn], L"Lumora", MB_OK);
  RefreshList();
}

void frmMain::cf_Click() {
  Form3_.Show(hWnd_);
}

void frmMain::ab_Click() {
  Form1_.Show(hWnd_);
}
