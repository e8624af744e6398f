#pragma once

#include <windows.h>

#include <string>

#include "PostUrl.h"

// The status bar at the foot of the main window: whether the last request
// reached the reminder service and when, the reason of its last refusal,
// whether the connection list can be read, and how many of its rows are shown.
class ServiceStatusBar {
 public:
  void Create(HWND parent, int id, int dpi);
  HWND hWnd() const { return hWnd_; }
  int Height() const;
  // Follows the parent's new client width.
  void Resize() const;

  // Reports how a request ended, stamped with the local time.
  void Report(const ServiceReply& reply);
  std::wstring Text(int part) const;
  // Snapshots keep failing, or read again.
  void ShowSnapshotTrouble(bool failing) const;
  // A note of the program's own, in the second part, stamped like a report.
  void Note(const std::wstring& text);
  // The connection list shows this many of all its rows.
  void ShowRowCounts(int shown, int all) const;

 private:
  void SetText(int part, const std::wstring& text) const;

  HWND hWnd_ = nullptr;
  int dpi_ = 96;
};
