#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "NotifyIcon.h"

// Records what the program asks of the notification area.
class FakeShell : public NotifyShell {
 public:
  struct Call {
    DWORD message;
    UINT flags;
    std::wstring tip;
    std::wstring infoTitle;
    std::wstring info;
  };

  bool Notify(DWORD message, const NOTIFYICONDATAW& data) override {
    calls.push_back({message, data.uFlags, data.szTip, data.szInfoTitle, data.szInfo});
    return accept;
  }

  std::vector<std::wstring> Balloons() const {
    std::vector<std::wstring> texts;
    for (const Call& call : calls) {
      if (call.flags & NIF_INFO) texts.push_back(call.info);
    }
    return texts;
  }
  size_t Count(DWORD message) const {
    size_t count = 0;
    for (const Call& call : calls) count += call.message == message;
    return count;
  }

  std::vector<Call> calls;
  bool accept = true;
};
