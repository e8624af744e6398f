#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <string_view>

#include "Handles.h"
#include "InPlaceHook.h"
#include "ListViewFont.h"
#include "mListViewEx.h"
#include "Subclass.h"

// Events in their fixed order (Click = 1 ... OnSubItemPrePaint = 18); a host
// overrides what it needs. Shift: 1 Shift, 2 Ctrl, 4 Alt. Button: 1 left,
// 2 right, 4 middle, 0 none. X and Y are in the control's ScaleMode.
class ucListViewEvents {
 public:
  virtual ~ucListViewEvents() = default;
  virtual void Click() {}
  virtual void DblClick() {}
  virtual void ItemClick([[maybe_unused]] int Item) {}
  virtual void ItemCheck([[maybe_unused]] int Item) {}
  virtual void ColumnClick([[maybe_unused]] int Column) {}
  virtual void ColumnRightClick([[maybe_unused]] int Column) {}
  virtual void KeyDown([[maybe_unused]] int& KeyCode, [[maybe_unused]] int& Shift) {}
  virtual void KeyPress([[maybe_unused]] int& KeyAscii) {}
  virtual void KeyUp([[maybe_unused]] int& KeyCode, [[maybe_unused]] int& Shift) {}
  virtual void MouseDown([[maybe_unused]] int& Button, [[maybe_unused]] int& Shift,
                         [[maybe_unused]] float& X, [[maybe_unused]] float& Y) {}
  virtual void MouseMove([[maybe_unused]] int& Button, [[maybe_unused]] int& Shift,
                         [[maybe_unused]] float& X, [[maybe_unused]] float& Y) {}
  virtual void MouseUp([[maybe_unused]] int& Button, [[maybe_unused]] int& Shift,
                       [[maybe_unused]] float& X, [[maybe_unused]] float& Y) {}
  virtual void MouseEnter() {}
  virtual void MouseLeave() {}
  // Leave Cancel non-zero to close the label editor at once.
  virtual void BeforeLabelEdit([[maybe_unused]] int& Cancel) {}
  // NewString is the edited text in full; a non-zero Cancel keeps the old label.
  virtual void AfterLabelEdit([[maybe_unused]] int& Cancel, [[maybe_unused]] std::wstring& NewString) {}
  virtual void Resize() {}
  // Set Process to draw the sub-item with these colours (system colours allowed).
  virtual void OnSubItemPrePaint([[maybe_unused]] int Item, [[maybe_unused]] int SubItem,
                                 [[maybe_unused]] COLORREF& TextBackColor,
                                 [[maybe_unused]] COLORREF& TextForeColor, [[maybe_unused]] bool& Process) {}
};

// The rows of an owner-data list: the list keeps only their count, selection
// and focus, and asks for the texts of the rows it paints (or that a caller,
// also one in another process, reads with LVM_GETITEMTEXT).
class ucListViewData {
 public:
  virtual ~ucListViewData() = default;
  // The text of an item's column (0 the item text); it needs to stay valid only
  // until the next call.
  virtual std::wstring_view ItemText(int Item, int SubItem) const = 0;
  // The small image of an item's first column (of the list's small image
  // list); -1 for none.
  virtual int ItemIcon([[maybe_unused]] int Item) const { return -1; }
  // True to paint those images yourself in DrawItemIcon (report view): the
  // list keeps their place, leaves it empty and asks after each row it paints.
  // Under Wine the list's own image drawing costs more than the row's texts.
  virtual bool DrawsItemIcons() const { return false; }
  // Place is the image's place in the row, cut to the first column.
  virtual void DrawItemIcon([[maybe_unused]] int Item, [[maybe_unused]] HDC Dc,
                            [[maybe_unused]] const RECT& Place) const {}
  // The list is about to paint the items From to To.
  virtual void CacheHint([[maybe_unused]] int From, [[maybe_unused]] int To) {}
};

// ScaleMode values: the units of mouse positions in events and of ItemHitTest.
enum eScaleMode : int {
  SCALE_TWIPS = 1, SCALE_POINTS = 2, SCALE_PIXELS = 3, SCALE_CHARACTERS = 4,
  SCALE_INCHES = 5, SCALE_MILLIMETERS = 6, SCALE_CENTIMETERS = 7,
};

// ViewMode values.
enum eViewMode : int { VIEWMODE_ICON = 0, VIEWMODE_REPORT = 1, VIEWMODE_SMALLICON = 2, VIEWMODE_LIST = 3 };

// BorderStyle values (others are stored and change nothing).
enum eBorderStyle : int { BORDER_NONE = 0, BORDER_FLAT = 1, BORDER_SUNKEN = 2 };

// A report-style list control: its own control window hosting a system list
// view, turning the list's messages into events. Operations on a control whose
// list does not exist do nothing and return false, 0, -1 for indices, or "".
class ucListView : private ISubclassOwner, private IInPlaceActiveControl, private ListViewFont::IListener {
 public:
  explicit ucListView(ucListViewEvents* events = nullptr);
  ~ucListView();  // releases hook, subclassing, image lists, font and windows, in that order
  ucListView(const ucListView&) = delete;
  ucListView& operator=(const ucListView&) = delete;

  // Creates the control window (WS_CHILD | WS_VISIBLE | WS_TABSTOP) at a pixel
  // position in parent; Initialize then creates the list inside it.
  bool Create(HWND parent, int x, int y, int width, int height, int id);
  HWND hWnd() const { return m_hWnd.get(); }
  HWND hListView() const { return m_hListView.get(); }
  HWND hHeader() const { return m_hHeader; }
  // Once: creates the list, starts message handling and key routing. False the second time.
  bool Initialize();
  // The host's site for Ctrl+Tab and Ctrl+Shift+Tab; nullptr for none.
  void ControlSite(IControlSite* Site) { m_pSite = Site; }
  // Repaints the control and the list now.
  void Refresh();

  // Owner-data mode, chosen before Initialize (false after it): the rows are
  // Data's, which must outlive the list; ItemCount sets how many there are,
  // ItemAdd does nothing and items keep no texts, icons or check states of
  // their own. Selection, focus, finding, reading texts and every event work
  // by index as in normal mode.
  bool OwnerData(ucListViewData* Data);
  bool OwnerData() const { return m_pData != nullptr; }
  // Sets the number of rows, keeping the scroll position, and repaints them.
  // False in normal mode.
  bool ItemCount(int Count);
  // Redraw off keeps the list from painting (the scroll bars too) while a
  // caller changes it in several steps; turning it on again repaints it.
  void Redraw(bool Value);
  // Repaints the items First to Last when the list next paints.
  bool ItemsRedraw(int First, int Last);
  // The first visible item of the report view, and scrolling it to the top (as
  // near as the list's length allows).
  int TopItem() const;
  void TopItem(int Item);
  // How many whole rows the report view shows.
  int VisibleCount() const;
  // Selects or deselects an item and leaves the focus where it is: the list
  // scrolls to an item it focuses, and ItemSelected focuses what it selects.
  void ItemSelectedKeepFocus(int Item, bool Value);
  // Repaints every visible row when the list next paints.
  void Invalidate();

  // Image lists, owned by the control and shared with the list.
  bool InitializeImageListSmall(int ImageWidth = 16, int ImageHeight = 16);
  bool InitializeImageListLarge(int ImageWidth = 32, int ImageHeight = 32);
  bool InitializeImageListHeader(int ImageWidth = 16, int ImageHeight = 16);
  // Shows a small image list that stays the caller's, to be destroyed only
  // after the list has ended; the control's own small list, if any, goes.
  bool ImageListSmall_Share(HIMAGELIST hIml);
  // MaskColor CLR_NONE adds without a mask; any other colour is transparent.
  // Each Add returns the index of the first new image, -1 on failure or without the list.
  int ImageListSmall_AddBitmap(HBITMAP hBitmap, COLORREF MaskColor = CLR_NONE);
  int ImageListLarge_AddBitmap(HBITMAP hBitmap, COLORREF MaskColor = CLR_NONE);
  int ImageListHeader_AddBitmap(HBITMAP hBitmap, COLORREF MaskColor = CLR_NONE);
  int ImageListSmall_AddIcon(HICON hIcon);
  int ImageListLarge_AddIcon(HICON hIcon);
  int ImageListHeader_AddIcon(HICON hIcon);

  // Columns. Align: 0 left, 1 right, 2 centre (column 0 is always left). Icon -1: none.
  bool ColumnAdd(int Column, const std::wstring& Text, int Width, long Align = 0, int Icon = -1);
  bool ColumnRemove(int Column);
  bool ColumnAutosize(int Column, long AutosizeType = LVSCW_AUTOSIZE);
  int ColumnCount() const;
  std::wstring ColumnText(int Column) const;
  void ColumnText(int Column, const std::wstring& Text);
  int ColumnWidth(int Column) const;
  void ColumnWidth(int Column, int Width);
  long ColumnAlign(int Column) const;
  void ColumnAlign(int Column, long Align);
  int ColumnIcon(int Column) const;
  void ColumnIcon(int Column, int Icon);

  // Items.
  bool ItemAdd(int Item, const std::wstring& Text, int Indent, int Icon);
  bool ItemRemove(int Item);
  bool Clear();
  bool ItemEnsureVisible(int Item);
  // Coincidence takes LVFI_ flags (LVFI_STRING, LVFI_PARTIAL, LVFI_WRAP).
  int ItemFindText(const std::wstring& Text, int StartItem = -1, long Coincidence = LVFI_STRING) const;
  // State takes LVNI_ flags (LVNI_FOCUSED, LVNI_SELECTED, ...).
  int ItemFindState(int StartItem, long State) const;
  // X and Y in the control's ScaleMode.
  int ItemHitTest(float X, float Y) const;
  // SortOrder and SortType take eSortOrder and eSortType values.
  bool Sort(int Column = 0, long SortOrder = 1, long SortType = 0);
  int Count() const;
  int SelectedCount() const;
  int SelectionItem() const;  // the lowest selected item, -1 when none

  std::wstring ItemText(int Item) const;
  void ItemText(int Item, const std::wstring& Text);
  int ItemIcon(int Item) const;
  void ItemIcon(int Item, int Icon);
  int ItemIndent(int Item) const;
  void ItemIndent(int Item, int Indent);
  // Item -1 selects or deselects every item without moving the focus; selecting
  // one item also focuses it, deselecting leaves the focus.
  bool ItemSelected(int Item) const;
  void ItemSelected(int Item, bool Value);
  bool ItemFocused(int Item) const;
  void ItemFocused(int Item, bool Value);
  bool ItemChecked(int Item) const;
  void ItemChecked(int Item, bool Value);
  bool ItemGhosted(int Item) const;
  void ItemGhosted(int Item, bool Value);
  std::wstring SubItemText(int Item, int SubItem) const;
  void SubItemText(int Item, int SubItem, const std::wstring& Text);
  int SubItemIcon(int Item, int SubItem) const;
  void SubItemIcon(int Item, int SubItem, int Icon);
  bool SubItemSet(int Item, int SubItem, const std::wstring& Text, int Icon);
  // Tiles the picture at URL behind transparent item text.
  bool BackgroundPictureSet(const std::wstring& URL);

  // Appearance and behaviour. Setters before Initialize are ignored, except
  // HeaderFixedWidth, RaiseSubItemPrePaint, BorderStyle and ScaleMode.
  bool CheckBoxes() const { return m_bCheckBoxes; }
  void CheckBoxes(bool Value);
  bool FullRowSelect() const { return m_bFullRowSelect; }
  void FullRowSelect(bool Value);
  bool GridLines() const { return m_bGridLines; }
  void GridLines(bool Value);
  bool HeaderDragDrop() const { return m_bHeaderDragDrop; }
  void HeaderDragDrop(bool Value);
  bool LabelTips() const { return m_bLabelTips; }
  void LabelTips(bool Value);
  bool OneClickActivate() const { return m_bOneClickActivate; }
  void OneClickActivate(bool Value);
  bool ScrollBarFlat() const { return m_bScrollBarFlat; }
  void ScrollBarFlat(bool Value);
  bool SubItemImages() const { return m_bSubItemImages; }
  void SubItemImages(bool Value);
  bool TrackSelect() const { return m_bTrackSelect; }
  void TrackSelect(bool Value);
  bool UnderlineHot() const { return m_bUnderlineHot; }
  void UnderlineHot(bool Value);
  bool HeaderHide() const { return m_bHeaderHide; }
  void HeaderHide(bool Value);
  bool LabelEdit() const { return m_bLabelEdit; }
  void LabelEdit(bool Value);
  bool HideSelection() const { return m_bHideSelection; }
  void HideSelection(bool Value);
  bool MultiSelect() const { return m_bMultiSelect; }
  void MultiSelect(bool Value);
  int ViewMode() const { return m_lViewMode; }
  void ViewMode(int Value);
  bool HeaderFlat() const { return m_bHeaderFlat; }
  void HeaderFlat(bool Value);
  bool Enabled() const;
  void Enabled(bool Value);
  COLORREF BackColor() const;
  void BackColor(COLORREF Value);
  COLORREF ForeColor() const;
  void ForeColor(COLORREF Value);
  ListViewFont& Font() { return m_oFont; }  // changes through it reach the list
  const ListViewFont& Font() const { return m_oFont; }
  void Font(const ListViewFont& Value);
  bool HeaderFixedWidth() const { return m_bHeaderFixedWidth; }
  void HeaderFixedWidth(bool Value) { m_bHeaderFixedWidth = Value; }
  bool RaiseSubItemPrePaint() const { return m_bRaiseSubItemPrePaint; }
  void RaiseSubItemPrePaint(bool Value) { m_bRaiseSubItemPrePaint = Value; }
  int BorderStyle() const { return m_lBorderStyle; }
  void BorderStyle(int Value);
  int ScaleMode() const { return m_nScaleMode; }
  void ScaleMode(int Value);  // values outside eScaleMode are ignored

 private:
  // ISubclassOwner
  void zSubclass_Proc(bool bBefore, bool& bHandled, LRESULT& lReturn, HWND& lng_hWnd, UINT& uMsg,
                      WPARAM& wParam, LPARAM& lParam) override;
  // IInPlaceActiveControl
  HWND ControlWindow() const override { return m_hWnd.get(); }
  bool TranslateAccelerator(MSG& msg) override;
  // ListViewFont::IListener
  void FontChanged(const std::wstring& PropertyName) override;

  static LRESULT CALLBACK ControlProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
  bool CreateListView();
  void DestroyListView();
  void Terminate(bool windowsGone);
  void UserControl_Resize();
  void UserControl_GotFocus();
  void ActivateInPlace();
  void TrackMouseLeave();
  ucListViewEvents& Events() const;

  // Message handlers.
  void OnControlNotify(bool& bHandled, LRESULT& lReturn, const NMHDR& hdr, LPARAM lParam);
  void OnHeaderNotify(bool& bHandled, LRESULT& lReturn, const NMHDR& hdr, LPARAM lParam);
  void OnListNotify(bool& bHandled, LRESULT& lReturn, const NMHDR& hdr, LPARAM lParam);
  void OnItemChanged(const NMLISTVIEW& nm);
  void RaiseItemClicks(int From, int To, UINT OldState, UINT NewState);
  void OnGetDispInfo(NMLVDISPINFOW& info) const;
  int OnFindItem(const NMLVFINDITEMW& find) const;
  void OnListClick(int Button, const NMITEMACTIVATE& nm);
  void OnBeginLabelEdit(bool& bHandled, LRESULT& lReturn);
  void OnEndLabelEdit(bool& bHandled, LRESULT& lReturn, const NMLVDISPINFOW& info);
  LRESULT CustomDraw(NMLVCUSTOMDRAW& cd);
  bool DrawsItemIcons() const { return m_pData && m_pData->DrawsItemIcons(); }
  void FirstColumnSpan();
  void DrawItemIcon(const NMLVCUSTOMDRAW& cd) const;
  void OnListMessage(bool bBefore, UINT uMsg, WPARAM wParam, LPARAM lParam);
  void OnChar(WPARAM wParam);
  void OnMouseMove(WPARAM wParam, LPARAM lParam);
  void OnButtonDown(int Button, LPARAM lParam);
  void OnButtonUp(bool bBefore, int Button, LPARAM lParam);
  void OnMouseLeave();
  void RaiseMouse(void (ucListViewEvents::*event)(int&, int&, float&, float&), int Button, POINT pt);
  bool ClickCounts(POINT pt) const;
  void RaiseClick(int Button, POINT pt);

  // Helpers.
  static int ShiftState();
  int HitTestFlags(POINT pt, int* Item = nullptr) const;
  float PixelsToScaleX(int Pixels) const;
  float PixelsToScaleY(int Pixels) const;
  int ScaleToPixelsX(float Value) const;
  int ScaleToPixelsY(float Value) const;
  double PixelsPerUnit(bool vertical) const;
  LRESULT SendList(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0) const;
  LRESULT SendHeader(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0) const;
  bool GetColumn(int Column, LVCOLUMNW& col) const;
  void SetColumn(int Column, const LVCOLUMNW& col);
  bool HasColumns() const { return m_hListView && m_hHeader; }
  int GetItemField(int Item, int SubItem, UINT mask, int LVITEMW::*field) const;
  void SetItemField(int Item, int SubItem, UINT mask, int LVITEMW::*field, int Value);
  UINT ItemState(int Item, UINT mask) const;
  void SetItemState(int Item, UINT mask, UINT state);
  UniqueImageList CreateImageList(int ImageWidth, int ImageHeight) const;
  void TakeStateImageList();
  static int ImageListAddBitmap(HIMAGELIST hIml, HBITMAP hBitmap, COLORREF MaskColor);
  static int ImageListAddIcon(HIMAGELIST hIml, HICON hIcon);
  static COLORREF TranslateColor(COLORREF Value);
  void SetStyleBits(DWORD set, DWORD clear);
  void SetExStyleBits(DWORD set, DWORD clear);
  static void SetWindowBits(HWND hWnd, int index, DWORD set, DWORD clear);
  void SetExStyleFlag(bool& flag, DWORD bit, bool Value);
  void SetStyleFlag(bool& flag, DWORD bit, bool Value, bool inverted = false);
  void ApplyBorderStyle();
  void ApplyFont();

  ucListViewEvents* m_Events;
  ucListViewData* m_pData = nullptr;  // owner-data mode when set
  cSubclass m_Subclass{*this};
  InPlaceHookRecord m_InPlace;
  IControlSite* m_pSite = nullptr;

  UniqueWindow m_hWnd;       // the control window
  UniqueWindow m_hListView;  // the system list view inside it
  HWND m_hHeader = nullptr;  // the list's header while it has columns
  bool m_bInitialized = false;
  UniqueImageList m_hImlSmall, m_hImlLarge, m_hImlHeader;
  UniqueImageList m_hImlState;  // the check boxes' images, the list's own, once the control ends
  UniqueFont m_hFont;
  ListViewFont m_oFont;
  bool m_bFontSet = false;  // the host described a font before the list existed

  bool m_bMouseInside = false;
  float m_sngLastX = -1.0f, m_sngLastY = -1.0f;
  bool m_bSuppressItemClick = false;
  bool m_bClickNotified = false;   // NM_CLICK came while the list handled a button-up
  bool m_bOwnColumnChange = false; // the control itself changes a column

  bool m_bCheckBoxes = false, m_bFullRowSelect = false, m_bGridLines = false,
       m_bHeaderDragDrop = false, m_bLabelTips = false, m_bOneClickActivate = false,
       m_bScrollBarFlat = false, m_bSubItemImages = false, m_bTrackSelect = false,
       m_bUnderlineHot = false, m_bHeaderHide = false, m_bLabelEdit = false,
       m_bHideSelection = false, m_bMultiSelect = false, m_bHeaderFlat = false,
       m_bHeaderFixedWidth = false, m_bRaiseSubItemPrePaint = false;
  int m_lViewMode = 0;
  LONG m_lFirstColumnLeft = 0, m_lFirstColumnRight = 0;  // in list pixels, for the paint under way
  int m_lBorderStyle = 0;
  int m_nScaleMode = SCALE_TWIPS;
};
