#pragma once

// Control and menu ids of the main window, in tab order.
enum frmMainId {
  kLvInfo = 100,
  kFilter,
  kTlbCommand,
  kCmdRefresh,
  kCmdDisconnect,
  kCommand1,
  kTxtwxid,
  kCommand2,
  kText2,
  kCpid,
  kText3,
  kText4,
  kText1,
  kPwd,
  kLabel1,
  kList1,
  kMenuCf,
  kMenuAb,
  kStatusBar,
  kMenuExport,
  kCmdCopy,
  kCmdMark,
  kCmdShowFolder,
};
