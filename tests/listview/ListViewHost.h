#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "MessageLoop.h"
#include "ucListView.h"

// Records every event as a short line, in the order raised.
class EventLog : public ucListViewEvents {
 public:
  std::vector<std::string> lines;
  int cancelBeforeEdit = 0;
  int cancelAfterEdit = 0;
  std::wstring editedText;
  bool paintProcess = false;
  int prePaints = 0;

  void Clear() { lines.clear(); }
  std::vector<std::string> Only(const std::vector<std::string>& prefixes) const;

  void Click() override { Add("Click"); }
  void DblClick() override { Add("DblClick"); }
  void ItemClick(int Item) override { Add("ItemClick " + std::to_string(Item)); }
  void ItemCheck(int Item) override { Add("ItemCheck " + std::to_string(Item)); }
  void ColumnClick(int Column) override { Add("ColumnClick " + std::to_string(Column)); }
  void ColumnRightClick(int Column) override { Add("ColumnRightClick " + std::to_string(Column)); }
  void KeyDown(int& KeyCode, int& Shift) override { Add("KeyDown " + std::to_string(KeyCode) + " " + std::to_string(Shift)); }
  void KeyPress(int& KeyAscii) override { Add("KeyPress " + std::to_string(KeyAscii)); }
  void KeyUp(int& KeyCode, int& Shift) override { Add("KeyUp " + std::to_string(KeyCode) + " " + std::to_string(Shift)); }
  void MouseDown(int& Button, int&, float& X, float& Y) override { Mouse("MouseDown", Button, X, Y); }
  void MouseMove(int& Button, int&, float& X, float& Y) override { Mouse("MouseMove", Button, X, Y); }
  void MouseUp(int& Button, int&, float& X, float& Y) override { Mouse("MouseUp", Button, X, Y); }
  void MouseEnter() override { Add("MouseEnter"); }
  void MouseLeave() override { Add("MouseLeave"); }
  void BeforeLabelEdit(int& Cancel) override {
    Add("BeforeLabelEdit");
    Cancel = cancelBeforeEdit;
  }
  void AfterLabelEdit(int& Cancel, std::wstring& NewString) override {
    Add("AfterLabelEdit");
    editedText = NewString;
    Cancel = cancelAfterEdit;
  }
  void Resize() override { Add("Resize"); }
  void OnSubItemPrePaint(int, int, COLORREF& TextBackColor, COLORREF& TextForeColor, bool& Process) override {
    ++prePaints;
    TextBackColor = RGB(255, 0, 0);
    TextForeColor = RGB(0, 0, 255);
    Process = paintProcess;
  }

 private:
  void Add(std::string line) { lines.push_back(std::move(line)); }
  void Mouse(const char* name, int Button, float X, float Y);
};

// The shared top-level window of the tests.
HWND TestFrame();

// A list control and, after it in the tab order, a button, in the test frame.
class ListViewHost {
 public:
  explicit ListViewHost(bool initialize = true);
  ~ListViewHost();

  HWND frame = nullptr;
  EventLog log;
  ucListView lv{&log};
  HWND button = nullptr;

  // Report view with three columns and `rows` rows "r<i>" with sub-items "r<i>c1", "r<i>c2".
  void Fill(int rows);
  // Client point of the middle of an item's label in the list.
  POINT ItemPoint(int item) const;
  void Focus();
  // Sends a key down and up through the program's key routing, as the message loop would.
  void Key(WORD vk);
  void Click(POINT pt, UINT down = WM_LBUTTONDOWN, UINT up = WM_LBUTTONUP, WPARAM keys = MK_LBUTTON);
};

void Pump();
