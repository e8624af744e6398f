#include "UserPrompts.h"

#include <commdlg.h>
#include <mmsystem.h>
#include <shellapi.h>

#include <algorithm>
#include <vector>

#include "InputBox.h"

int WindowPrompts::MsgBox(HWND owner, const std::wstring& text, const std::wstring& title, UINT buttons) {
  return MessageBoxW(owner, text.c_str(), title.c_str(), buttons);
}

std::wstring WindowPrompts::InputBox(HWND owner, const std::wstring& prompt, const std::wstring& title) {
  return ShowInputBox(owner, prompt, title);
}

int WindowPrompts::PopupMenu(HWND owner, HMENU menu, POINT at) {
  return TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, owner, nullptr);
}

std::wstring WindowPrompts::SaveFileName(HWND owner, const std::wstring& suggested) {
  std::vector<wchar_t> path(32768, L'\0');
  suggested.copy(path.data(), std::min(suggested.size(), path.size() - 1));
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = L"CSV (*.csv)\0*.csv\0\0";
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = static_cast<DWORD>(path.size());
  dialog.lpstrDefExt = L"csv";
  dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_EXPLORER;
  return GetSaveFileNameW(&dialog) ? std::wstring(path.data()) : std::wstring();
}

void ExplorerShell::ShowInFolder(const std::wstring& path) {
  const std::wstring arguments = L"/select,\"" + path + L"\"";
  ShellExecuteW(nullptr, L"open", L"explorer.exe", arguments.c_str(), nullptr, SW_SHOWNORMAL);
}

void SystemAlarm::Play(const std::wstring& path) {
  // The window never waits for the sound, however long the file or however
  // slow the device; a missing file plays the default sound.
  sndPlaySoundW(path.c_str(), SND_ASYNC);
}
