#include "UserPrompts.h"

#include <mmsystem.h>

#include "InputBox.h"

int WindowPrompts::MsgBox(HWND owner, const std::wstring& text, const std::wstring& title, UINT buttons) {
  return MessageBoxW(owner, text.c_str(), title.c_str(), buttons);
}

std::wstring WindowPrompts::InputBox(HWND owner, const std::wstring& prompt, const std::wstring& title) {
  return ShowInputBox(owner, prompt, title);
}

void SystemAlarm::Play(const std::wstring& path) {
  // The window never waits for the sound, however long the file or however
  // slow the device; a missing file plays the default sound.
  sndPlaySoundW(path.c_str(), SND_ASYNC);
}
