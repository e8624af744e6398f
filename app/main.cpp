#include <windows.h>
#include <commctrl.h>

#include "LumoraConfig.h"
#include "MessageLoop.h"
#include "frmMain.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  WindowPrompts prompts;
  SystemAlarm alarm;
  SystemNotifyShell shell;
  ExplorerShell folders;
  frmMain window({LUMORA_PROGRAM_SERVICE, &prompts, &alarm, SystemRowSource(), Settings::ForUser(),
                  [] { PostQuitMessage(0); }, &shell, HistoryLog(HistoryLog::UserPath()), &folders});
  if (!window.Create(showCommand)) return 1;
  return RunMessageLoop();
}
