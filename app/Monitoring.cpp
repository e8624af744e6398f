#include "frmMain.h"

#include "PostUrl.h"

namespace {

constexpr int kPortColumn = 4;
constexpr int kRemarkColumn = 7;

std::wstring ProgramFolder() {
  std::wstring path(MAX_PATH, L'\0');
  DWORD length;
  while ((length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) == path.size()) {
    path.resize(path.size() * 2);
  }
  path.resize(length);
  return path.substr(0, path.find_last_of(L'\\'));
}

}  // namespace

// A double-click marks the selected row with a remark; empty text unmarks it.
void frmMain::lvInfo_DblClick() {
  const std::wstring remark = services_.prompts->InputBox(
      hWnd_, L"请录入简短的备注，以便处理，如不填备注，则表示不监控该端口！", L"备注");
  lvInfo_.SubItemSet(lvInfo_.SelectionItem(), kRemarkColumn, remark, 0);
}

std::vector<std::wstring> frmMain::CaptureWatchItems() {
  std::vector<std::wstring> items;
  for (int row = 0; row < lvInfo_.Count(); ++row) {
    const std::wstring remark = lvInfo_.SubItemText(row, kRemarkColumn);
    if (!remark.empty()) items.push_back(lvInfo_.SubItemText(row, kPortColumn) + L"备注 " + remark);
  }
  return items;
}

// The monitoring cycle. A tick never runs inside another one, and a tick
// whose snapshot failed checks nothing: a missing table is not a dropped port.
void frmMain::Timer1_Timer() {
  if (ticking_) return;
  ticking_ = true;
  PostUrl(urls_.MonitoringOn(wxid_, cpid_.Text(), pwd_.Text()));
  const bool refreshed = RefreshList();
  ticking_ = false;
  if (!refreshed || k_ != 1) return;

  for (size_t j = 0; j < watchitems_.size(); ++j) {
    const std::wstring& key = watchitems_[j];
    const std::wstring port = key.substr(0, key.find(L'备'));
    bool found = false;
    for (int row = 0; row < lvInfo_.Count(); ++row) {
      if (lvInfo_.SubItemText(row, kPortColumn) == port) found = true;
    }
    if (found || hassendport_.contains(key)) continue;
    PostUrl(urls_.Reminder(wxid_, key, cpid_.Text(), pwd_.Text()));
    ringon_ = true;
    hassendport_.insert(key);
    const int line = runFirstLine_ + static_cast<int>(j);
    const std::wstring marked = List1_.Line(line) + L"，提醒状态：已提醒";
    List1_.DeleteString(line);
    List1_.InsertString(line, marked);
  }
}

// The alarm rings on until the local ring option is switched off.
void frmMain::Timer2_Timer() {
  if (ringon_ && localring_ == 1) services_.alarm->Play(ProgramFolder() + L"\\tx.wav");
}
