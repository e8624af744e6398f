#include "InputBox.h"

#include <cstdint>
#include <vector>

namespace {

constexpr WORD kPromptId = 100;
constexpr WORD kEditId = 101;
// Remarks are short; the reminder service refuses watch keys past 512 bytes.
constexpr int kMaxRemark = 100;

// An in-memory dialog template, so the box needs no resource of its own.
class DialogTemplate {
 public:
  DialogTemplate(const std::wstring& title, short cx, short cy, WORD items) {
    Dword(DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU);
    Dword(0);
    Word(items);
    for (WORD value : {WORD{0}, WORD{0}, WORD(cx), WORD(cy)}) Word(value);
    Word(0);  // no menu
    Word(0);  // the standard dialog class
    Text(title);
    Word(9);
    Text(L"MS Shell Dlg");
  }

  void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD atom, const std::wstring& text) {
    while (data_.size() % sizeof(DWORD) != 0) data_.push_back(0);
    Dword(style | WS_CHILD | WS_VISIBLE);
    Dword(0);
    for (WORD value : {WORD(x), WORD(y), WORD(cx), WORD(cy), id, WORD{0xFFFF}, atom}) Word(value);
    Text(text);
    Word(0);
  }

  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(data_.data()); }

 private:
  void Word(WORD value) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(&value);
    data_.insert(data_.end(), bytes, bytes + sizeof(value));
  }
  void Dword(DWORD value) {
    Word(LOWORD(value));
    Word(HIWORD(value));
  }
  void Text(const std::wstring& text) {
    for (wchar_t c : text) Word(c);
    Word(0);
  }

  std::vector<uint8_t> data_;
};

struct InputBoxState {
  std::wstring prompt;
  std::wstring text;
};

void CenterOnOwner(HWND dialog) {
  HWND owner = GetWindow(dialog, GW_OWNER);
  if (!owner) return;
  RECT outer, box;
  GetWindowRect(owner, &outer);
  GetWindowRect(dialog, &box);
  const int x = outer.left + ((outer.right - outer.left) - (box.right - box.left)) / 2;
  const int y = outer.top + ((outer.bottom - outer.top) - (box.bottom - box.top)) / 2;
  SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK InputBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = reinterpret_cast<InputBoxState*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      SetDlgItemTextW(dialog, kPromptId, reinterpret_cast<InputBoxState*>(lParam)->prompt.c_str());
      SendDlgItemMessageW(dialog, kEditId, EM_LIMITTEXT, kMaxRemark, 0);
      CenterOnOwner(dialog);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        HWND edit = GetDlgItem(dialog, kEditId);
        state->text.resize(GetWindowTextLengthW(edit));
        state->text.resize(GetWindowTextW(edit, state->text.data(), static_cast<int>(state->text.size()) + 1));
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

std::wstring ShowInputBox(HWND owner, const std::wstring& prompt, const std::wstring& title) {
  constexpr WORD kButton = 0x0080, kEdit = 0x0081, kStatic = 0x0082;
  DialogTemplate box(title, 260, 90, 4);
  // The edit box comes first so that it takes the focus.
  box.Item(SS_LEFT, 7, 7, 180, 48, kPromptId, kStatic, L"");
  box.Item(ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 7, 66, 246, 14, kEditId, kEdit, L"");
  box.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, 200, 7, 53, 14, IDOK, kButton, L"确定");
  box.Item(BS_PUSHBUTTON | WS_TABSTOP, 200, 25, 53, 14, IDCANCEL, kButton, L"取消");
  InputBoxState state{prompt, L""};
  const INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), box.Get(), owner, InputBoxProc,
                                                 reinterpret_cast<LPARAM>(&state));
  return result == IDOK ? state.text : L"";
}
