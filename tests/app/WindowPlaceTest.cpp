#include "WindowPlace.h"

#include "Layout.h"

#include "MainWindowFixture.h"

namespace {

std::wstring ScratchSettings(const wchar_t* leaf) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring path = std::wstring(temp) + L"lumora-place-test\\" + leaf;
  DeleteFileW(path.c_str());
  return path;
}

RECT WorkAreaOf(HWND window) { return WorkArea(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST)); }

RECT WindowRect(HWND window) {
  RECT rect;
  GetWindowRect(window, &rect);
  return rect;
}

bool Inside(const RECT& rect, const RECT& area) {
  return rect.left >= area.left && rect.top >= area.top && rect.right <= area.right && rect.bottom <= area.bottom;
}

// A main window that remembers its place in a file of its own.
class WindowPlaceTest : public MainWindowTest {
 protected:
  void UseFile(const wchar_t* leaf) { settings = Settings(ScratchSettings(leaf)); }
  void Reopen() {
    form.reset();
    Open();
  }
  // Closing a window saves its place, so the saved text goes in between.
  void ReopenFrom(const wchar_t* place) {
    form.reset();
    settings.Write(L"MainWindow", place);
    Open();
  }
};

TEST(KeepInside, MovesAndShrinksOnlyWhatDoesNotFit) {
  const RECT work{0, 0, 1024, 740};
  auto same = [](const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; };
  EXPECT_TRUE(same(KeepInside({10, 20, 510, 420}, work), {10, 20, 510, 420}));
  EXPECT_TRUE(same(KeepInside({-3000, -2000, -2500, -1600}, work), {0, 0, 500, 400}));
  EXPECT_TRUE(same(KeepInside({900, 700, 1400, 1100}, work), {524, 340, 1024, 740}));
  EXPECT_TRUE(same(KeepInside({-10, 100, 2000, 300}, work), {0, 100, 1024, 300}));
  EXPECT_TRUE(same(KeepInside({100, 100, 500, 400}, {1024, 0, 2048, 768}), {1024, 100, 1424, 400}));
}

TEST(ReadWindowPlace, IgnoresWhatIsNotAPlace) {
  const Settings settings(ScratchSettings(L"read.ini"));
  EXPECT_FALSE(ReadWindowPlace(settings));
  for (const wchar_t* bad : {L"1,2,3", L"1,2,300,400,0", L"1,2,300,400,0,96,9", L"x,2,300,400,0,96",
                             L"10,10,5,400,0,96", L"10,10,300,10,1,96", L"10,10,300,400,1,0", L"",
                             L"-2147483648,0,2147483647,400,0,96", L"0,0,99999999999999999999,400,0,96",
                             L"1,2,300,400,2,96", L"1,2,300,400,-1,96", L"1,2,300,400,0,2147483648", L"1,-,300,400,0,96",
                             L"1, 2,300,400,0,96"}) {
    settings.Write(L"MainWindow", bad);
    EXPECT_FALSE(ReadWindowPlace(settings)) << bad;
  }
  settings.Write(L"MainWindow", L"-20,30,600,500,1,144");
  const auto place = ReadWindowPlace(settings);
  ASSERT_TRUE(place);
  EXPECT_EQ(place->normal.left, -20);
  EXPECT_EQ(place->normal.bottom, 500);
  EXPECT_TRUE(place->maximized);
  EXPECT_EQ(place->dpi, 144);
}

TEST_F(WindowPlaceTest, TheWindowOpensWhereItWasClosed) {
  UseFile(L"moved.ini");
  Open();
  const RECT first = WindowRect(form->hWnd());
  const RECT moved{first.left + 37, first.top + 23, first.left + 37 + 640, first.top + 23 + 520};
  MoveWindow(form->hWnd(), moved.left, moved.top, 640, 520, TRUE);
  Reopen();
  const RECT reopened = WindowRect(form->hWnd());
  EXPECT_TRUE(EqualRect(&reopened, &moved));
  EXPECT_FALSE(IsZoomed(form->hWnd()));
}

TEST_F(WindowPlaceTest, AMaximisedWindowOpensMaximisedAndRestoresToItsPlace) {
  UseFile(L"maximised.ini");
  showCommand = SW_SHOWNORMAL;
  Open();
  MoveWindow(form->hWnd(), 60, 50, 600, 500, TRUE);
  ShowWindow(form->hWnd(), SW_MAXIMIZE);
  ASSERT_TRUE(IsZoomed(form->hWnd()));
  Reopen();
  EXPECT_TRUE(IsZoomed(form->hWnd()));
  ShowWindow(form->hWnd(), SW_RESTORE);
  const RECT restored = WindowRect(form->hWnd());
  const RECT expected{60, 50, 660, 550};
  EXPECT_TRUE(EqualRect(&restored, &expected));

  // Asked to open minimised, it does, and restores to maximised.
  ShowWindow(form->hWnd(), SW_MAXIMIZE);
  form.reset();
  showCommand = SW_SHOWMINNOACTIVE;
  Open();
  EXPECT_TRUE(IsIconic(form->hWnd()));
  ShowWindow(form->hWnd(), SW_RESTORE);
  EXPECT_TRUE(IsZoomed(form->hWnd()));
}

// A window partly outside the work area, its title bar still within reach,
// is where the user left it.
TEST_F(WindowPlaceTest, AReachablePlaceIsKeptExactlyEvenPartlyOffTheWorkArea) {
  UseFile(L"reachable.ini");
  Open();
  const RECT work = WorkAreaOf(form->hWnd());
  const RECT places[] = {{work.right - 200, 100, work.right - 200 + 640, 620},
                         {work.left - 300, work.bottom - 250, work.left + 340, work.bottom + 270}};
  for (const RECT& place : places) {
    ReopenFrom((std::to_wstring(place.left) + L"," + std::to_wstring(place.top) + L"," + std::to_wstring(place.right) +
                L"," + std::to_wstring(place.bottom) + L",0," + std::to_wstring(ScreenDpi()))
                   .c_str());
    const RECT shown = WindowRect(form->hWnd());
    EXPECT_TRUE(EqualRect(&shown, &place)) << shown.left << "," << shown.top << " " << shown.right << "," << shown.bottom;
  }
}

TEST_F(WindowPlaceTest, APlaceOffEveryMonitorIsPulledBackOnScreen) {
  UseFile(L"offscreen.ini");
  for (const wchar_t* place :
       {L"-6000,-5000,-5360,-4480,0,96", L"30000,200,30640,720,0,96", L"300,-900,940,-380,0,96"}) {
    ReopenFrom(place);
    const RECT shown = WindowRect(form->hWnd());
    EXPECT_TRUE(Inside(shown, WorkAreaOf(form->hWnd()))) << place;
    EXPECT_EQ(shown.right - shown.left, 640) << place;
    EXPECT_EQ(shown.bottom - shown.top, 520) << place;
  }
  ReopenFrom(L"-100,-100,50000,40000,0,96");  // larger than any screen
  const RECT shown = WindowRect(form->hWnd());
  const RECT work = WorkAreaOf(form->hWnd());
  EXPECT_TRUE(EqualRect(&shown, &work));
}

TEST_F(WindowPlaceTest, ASizeSavedAtAnotherDpiIsScaledToThisOne) {
  UseFile(L"dpi.ini");
  ReopenFrom(L"100,80,400,320,0,48");
  const RECT shown = WindowRect(form->hWnd());
  const RECT expected{100, 80, 100 + MulDiv(300, ScreenDpi(), 48), 80 + MulDiv(240, ScreenDpi(), 48)};
  EXPECT_TRUE(EqualRect(&shown, &expected));
}

// Windows ending the session closes no window: the place and the account are
// saved then, and the computer is not signed off.
TEST_F(WindowPlaceTest, TheEndOfTheSessionSavesThePlaceAndTheAccountAndSignsNothingOff) {
  UseFile(L"session.ini");
  Open();
  Mark(0, L"a");
  Start();
  settings.Write(L"Address", L"");
  const RECT first = WindowRect(form->hWnd());
  MoveWindow(form->hWnd(), first.left + 11, first.top + 7, 610, 530, TRUE);
  const size_t before = RequestCount();
  SendMessageW(form->hWnd(), WM_QUERYENDSESSION, 0, 0);
  SendMessageW(form->hWnd(), WM_ENDSESSION, TRUE, 0);
  Settle();
  const auto place = ReadWindowPlace(settings);
  ASSERT_TRUE(place);
  EXPECT_EQ(place->normal.left, first.left + 11);
  EXPECT_EQ(place->normal.right - place->normal.left, 610);
  EXPECT_EQ(settings.Read(L"Address"), L"me@qq.com");
  EXPECT_EQ(RequestCount(), before);
}

}  // namespace
