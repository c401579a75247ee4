// How skinned windows behave: the caption band, keys, clicks, tab
// selection, notifications (also from worker threads), control timers,
// modal runs, centring and icons.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>
#include <thread>
#include <vector>

#include "test_window.h"
#include "toolkit/button.h"
#include "toolkit/layouts.h"

using namespace SkinUI;

namespace {

LRESULT HitTestAt(HWND hwnd, int x, int y) {
  POINT pt{x, y};
  ::ClientToScreen(hwnd, &pt);
  return ::SendMessageW(hwnd, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y));
}

}  // namespace

TEST(SkinWindow, CaptionBandDragsExceptOverButtonsOptionsAndText) {
  struct Point {
    int x, y;
    LRESULT hit;
    const char* what;
  };
  struct Case {
    const wchar_t* skin;
    std::vector<Point> points;
  } cases[] = {
      // caption="10,0,10,40" over a row of controls 50 wide each
      {L"caption.xml",
       {{20, 10, HTCAPTION, "label"},
        {75, 10, HTCLIENT, "button"},
        {125, 10, HTCLIENT, "option"},
        {175, 10, HTCAPTION, "check box"},
        {225, 10, HTCLIENT, "text"},
        {285, 10, HTCAPTION, "spacer"},
        {5, 10, HTCLIENT, "left of the band"},
        {295, 10, HTCLIENT, "right of the band"},
        {20, 39, HTCAPTION, "last row of the band"},
        {20, 40, HTCLIENT, "below the band"}}},
      // caption="0,0,0,35"
      {L"MainWnd.xml",
       {{300, 10, HTCAPTION, "title gap"},
        {100, 10, HTCAPTION, "title tab"},
        {530, 25, HTCLIENT, "minbtn"},
        {570, 30, HTCLIENT, "closebtn"},
        {570, 40, HTCLIENT, "closebtn under the band"},
        {300, 34, HTCAPTION, "band bottom"},
        {300, 200, HTCLIENT, "page"}}},
      {L"ExitTipWnd.xml",
       {{40, 15, HTCAPTION, "title label"},
        {336, 20, HTCLIENT, "closebtn"},
        {40, 35, HTCLIENT, "title bar below band"}}},
  };
  for (Case& c : cases) {
    CTestWindow w(c.skin);
    ASSERT_TRUE(w.Open());
    for (const Point& p : c.points) EXPECT_EQ(HitTestAt(w.GetHWND(), p.x, p.y), p.hit) << p.what;
  }
}

TEST(SkinWindow, ButtonInTheCaptionBandClicksAndCloseButtonClosesWithCodeOne) {
  CTestWindow w(L"MainWnd.xml");
  ASSERT_TRUE(w.Open());
  Click(w.GetHWND(), 568, 30);
  const UINT code = w.ShowModal();
  EXPECT_EQ(code, 1u);
  EXPECT_FALSE(::IsWindow(w.GetHWND()));
  ASSERT_EQ(w.NotesOf(L"click").size(), 1u);
  EXPECT_EQ(w.NotesOf(L"click")[0].sender, L"closebtn");
}

TEST(SkinWindow, MinimiseButtonMinimises) {
  CTestWindow w(L"MainWnd.xml");
  ASSERT_TRUE(w.Open());
  Click(w.GetHWND(), 532, 32);
  EXPECT_TRUE(PumpUntil([&] { return ::IsIconic(w.GetHWND()) != FALSE; }));
}

TEST(SkinWindow, PressReleasedOutsideIsNoClick) {
  CTestWindow w(L"ExitTipWnd.xml");
  ASSERT_TRUE(w.Open());
  HWND h = w.GetHWND();
  ::PostMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MousePoint(200, 145));  // okBtn
  ::PostMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, MousePoint(100, 100));
  ::PostMessageW(h, WM_LBUTTONUP, 0, MousePoint(100, 100));
  PumpFor(200);
  EXPECT_TRUE(w.NotesOf(L"click").empty());
  EXPECT_TRUE(::IsWindow(h));
}

TEST(SkinWindow, EscapeDoesNothingWhileOtherKeysWork) {
  CTestWindow w(L"ExitTipWnd.xml");
  ASSERT_TRUE(w.Open());
  HWND h = w.GetHWND();
  CControl* ok = w.FindControl(L"okBtn");
  ASSERT_NE(ok, nullptr);
  ok->SetFocus();
  ::SetFocus(h);
  // Through the modal loop's translation and straight to the window.
  ::PostMessageW(h, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
  ::PostMessageW(h, WM_CHAR, 27, 0x00010001);
  ::PostMessageW(h, WM_KEYUP, VK_ESCAPE, 0xC0010001);
  ::SendMessageW(h, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
  ::SendMessageW(h, WM_CHAR, 27, 0x00010001);
  PumpFor(200);
  EXPECT_TRUE(::IsWindow(h));
  EXPECT_TRUE(w.notes.empty());
  // The focused button does take Space.
  ::PostMessageW(h, WM_KEYDOWN, VK_SPACE, 0x00390001);
  ASSERT_TRUE(PumpUntil([&] { return !w.NotesOf(L"click").empty(); }));
  EXPECT_EQ(w.NotesOf(L"click")[0].sender, L"okBtn");
}

TEST(SkinWindow, TabSelectIsAnnouncedOnlyForAChange) {
  CTestWindow w(L"MainWnd.xml");
  ASSERT_TRUE(w.Open());
  auto* tab = w.Find<CTabLayout>(L"mainTabLt");
  ASSERT_NE(tab, nullptr);
  EXPECT_EQ(tab->GetCurSel(), 0);
  EXPECT_TRUE(tab->SelectItem(0, true));  // already shown
  EXPECT_TRUE(w.NotesOf(L"tabselect").empty());
  EXPECT_TRUE(tab->SelectItem(2, true));
  ASSERT_EQ(w.NotesOf(L"tabselect").size(), 1u);
  EXPECT_EQ(w.NotesOf(L"tabselect")[0].sender, L"mainTabLt");
  EXPECT_EQ(w.NotesOf(L"tabselect")[0].wParam, 2u);
  EXPECT_EQ(w.NotesOf(L"tabselect")[0].lParam, 0);
  EXPECT_TRUE(tab->SelectItem(2, true));
  EXPECT_TRUE(tab->SelectItem(1, false));  // silent change
  EXPECT_EQ(tab->GetCurSel(), 1);
  EXPECT_FALSE(tab->SelectItem(4, true));
  EXPECT_FALSE(tab->SelectItem(-1, true));
  EXPECT_EQ(tab->GetCurSel(), 1);
  EXPECT_EQ(w.NotesOf(L"tabselect").size(), 1u);
}

TEST(SkinWindow, CheckBoxesAndOptionsChangeState) {
  CTestWindow w(L"MainWnd.xml");
  ASSERT_TRUE(w.Open());
  w.Find<CTabLayout>(L"mainTabLt")->SelectItem(1, false);
  w.PaintManager().LayoutNow();
  auto* ds = w.Find<CCheckBoxControl>(L"createDSCb");
  ASSERT_NE(ds, nullptr);
  EXPECT_TRUE(ds->IsSelected());  // selected="true" in the skin, not announced
  EXPECT_TRUE(w.NotesOf(L"selectchanged").empty());
  Click(w.GetHWND(), 150, 259);
  ASSERT_TRUE(PumpUntil([&] { return !w.NotesOf(L"selectchanged").empty(); }));
  EXPECT_FALSE(ds->IsSelected());
  EXPECT_EQ(w.NotesOf(L"click").size(), 1u);
  ds->Selected(false);  // no change, nothing raised
  ds->Selected(true, false);
  EXPECT_EQ(w.NotesOf(L"selectchanged").size(), 1u);

  CTestWindow g(L"caption.xml");
  ASSERT_TRUE(g.Open());
  auto* opt = g.Find<COptionControl>(L"capOption");
  Click(g.GetHWND(), 125, 60);
  Click(g.GetHWND(), 125, 60);  // a grouped option stays selected
  ASSERT_TRUE(PumpUntil([&] { return g.NotesOf(L"click").size() == 2; }));
  EXPECT_TRUE(opt->IsSelected());
  EXPECT_EQ(g.NotesOf(L"selectchanged").size(), 1u);
}

TEST(SkinWindow, DisabledAndHiddenControlsTakeNoClick) {
  CTestWindow w(L"MainWnd.xml");
  ASSERT_TRUE(w.Open());
  CControl* btn = w.FindControl(L"defaultInstallBtn");
  btn->SetEnabled(false);
  Click(w.GetHWND(), 300, 260);
  PumpFor(150);
  btn->SetEnabled(true);
  btn->SetVisible(false);
  Click(w.GetHWND(), 300, 260);
  PumpFor(150);
  EXPECT_TRUE(w.NotesOf(L"click").empty());
  btn->SetVisible(true);
  Click(w.GetHWND(), 300, 260);
  ASSERT_TRUE(PumpUntil([&] { return !w.NotesOf(L"click").empty(); }));
}

TEST(SkinWindow, QueuedNotificationsFromFourThreadsArriveInOrderOnTheUiThread) {
  CTestWindow w(L"ExitTipWnd.xml");
  ASSERT_TRUE(w.Open());
  CPaintManager& pm = w.PaintManager();
  CControl* root = pm.GetRoot();
  constexpr int kThreads = 4, kEach = 500;
  std::atomic<int> ready{0};
  std::vector<std::thread> workers;
  for (int t = 0; t < kThreads; ++t) {
    workers.emplace_back([&, t] {
      ++ready;
      while (ready.load() < kThreads) {
      }
      for (int i = 0; i < kEach; ++i) {
        pm.SendNotify(root, L"checknet", static_cast<WPARAM>(t << 16 | i), t, true);
        if (i % 50 == 0) ::Sleep(1);
      }
    });
  }
  // The UI thread drains while the workers append.
  const bool all = PumpUntil([&] { return w.NotesOf(L"checknet").size() == kThreads * kEach; }, 20000);
  for (auto& th : workers) th.join();
  PumpFor(50);
  ASSERT_TRUE(all);
  const auto notes = w.NotesOf(L"checknet");
  EXPECT_EQ(notes.size(), static_cast<size_t>(kThreads * kEach));
  std::map<int, int> nextOf;
  for (const NoteRecord& n : notes) {
    EXPECT_EQ(n.thread, ::GetCurrentThreadId());
    const int t = static_cast<int>(n.wParam >> 16), i = static_cast<int>(n.wParam & 0xFFFF);
    EXPECT_EQ(n.lParam, t);
    EXPECT_EQ(i, nextOf[t]) << "thread " << t;
    nextOf[t] = i + 1;
  }
  EXPECT_GE(pm.QueuedPosts(), 1);
  EXPECT_LE(pm.QueuedPosts(), kThreads * kEach);
}

TEST(SkinWindow, QueuedNotificationsComeAfterTheCurrentHandlerAndDropTheirGoneSender) {
  CTestWindow w(L"caption.xml");
  ASSERT_TRUE(w.Open());
  CPaintManager& pm = w.PaintManager();
  pm.SendNotify(pm.GetRoot(), L"install", 1, 0, true);
  EXPECT_TRUE(w.NotesOf(L"install").empty());
  CControl* spacer = w.FindControl(L"capSpacer");
  pm.SendNotify(spacer, L"late", 0, 0, true);
  auto* row = dynamic_cast<CContainer*>(pm.GetRoot());
  ASSERT_TRUE(row->Remove(spacer));
  ASSERT_TRUE(PumpUntil([&] { return !w.NotesOf(L"install").empty(); }));
  PumpFor(50);
  EXPECT_EQ(w.NotesOf(L"install")[0].wParam, 1u);
  EXPECT_TRUE(w.NotesOf(L"late").empty());
}

TEST(SkinWindow, ControlTimers) {
  CTestWindow w(L"caption.xml");
  ASSERT_TRUE(w.Open());
  CPaintManager& pm = w.PaintManager();
  CControl* label = w.FindControl(L"capLabel");
  CControl* text = w.FindControl(L"capText");
  ASSERT_TRUE(pm.SetTimer(label, 10, 20));
  ASSERT_TRUE(pm.SetTimer(text, 10, 20));  // same id, other control
  ASSERT_TRUE(pm.SetTimer(label, 11, 25));
  auto count = [&](const wchar_t* sender, WPARAM id) {
    int n = 0;
    for (const auto& r : w.NotesOf(L"timer")) n += (r.sender == sender && r.wParam == id);
    return n;
  };
  ASSERT_TRUE(PumpUntil(
      [&] { return count(L"capLabel", 10) >= 2 && count(L"capText", 10) >= 2 && count(L"capLabel", 11) >= 2; }));
  EXPECT_TRUE(pm.KillTimer(label, 10));
  EXPECT_FALSE(pm.KillTimer(label, 10));
  EXPECT_FALSE(pm.HasTimer(label, 10));
  EXPECT_TRUE(pm.HasTimer(label, 11));
  PumpFor(30);  // a tick already posted may still arrive
  const int stopped = count(L"capLabel", 10);
  // A removed control's timers go with it.
  auto* row = dynamic_cast<CContainer*>(pm.GetRoot());
  row->Remove(text);
  const int textTicks = count(L"capText", 10);
  PumpFor(150);
  EXPECT_EQ(count(L"capLabel", 10), stopped);
  EXPECT_EQ(count(L"capText", 10), textTicks);
  EXPECT_GT(count(L"capLabel", 11), 2);
  EXPECT_FALSE(pm.SetTimer(nullptr, 1, 10));
}

TEST(SkinWindow, ModalRunDisablesTheOwnerAndReturnsTheCloseCode) {
  CTestWindow owner(L"MainWnd.xml");
  ASSERT_TRUE(owner.Open(nullptr, 50, 50));
  CTestWindow prompt(L"ExitTipWnd.xml");
  ASSERT_TRUE(prompt.Open(owner.GetHWND()));
  prompt.CenterWindow();
  RECT o, p;
  ::GetWindowRect(owner.GetHWND(), &o);
  ::GetWindowRect(prompt.GetHWND(), &p);
  EXPECT_EQ((p.left + p.right) / 2, (o.left + o.right) / 2);
  EXPECT_NEAR((p.top + p.bottom) / 2, (o.top + o.bottom) / 2, 1);
  std::atomic<bool> ownerDisabledInside{false};
  // From inside the loop: a thread looks at the owner, a timer closes the
  // prompt with code 7.
  struct Closer {
    static void CALLBACK Tick(HWND hwnd, UINT, UINT_PTR, DWORD) {
      ::KillTimer(hwnd, 78);
      ::PostMessageW(hwnd, WM_CLOSE, 7, 0);
    }
  };
  ::SetTimer(prompt.GetHWND(), 78, 80, &Closer::Tick);
  std::thread check([&] {
    ::Sleep(40);
    ownerDisabledInside = !::IsWindowEnabled(owner.GetHWND());
  });
  const UINT code = prompt.ShowModal();
  check.join();
  EXPECT_EQ(code, 7u);
  EXPECT_TRUE(ownerDisabledInside);
  EXPECT_TRUE(::IsWindowEnabled(owner.GetHWND()));
  prompt.Close(3);  // the window is gone: nothing happens
}

TEST(SkinWindow, CentresInsideTheWorkArea) {
  MONITORINFO mi{};
  mi.cbSize = sizeof(mi);
  CTestWindow w(L"MainWnd.xml");
  ASSERT_TRUE(w.Open(nullptr, -400, -300));
  ::GetMonitorInfoW(::MonitorFromWindow(w.GetHWND(), MONITOR_DEFAULTTONEAREST), &mi);
  w.CenterWindow();
  RECT r;
  ::GetWindowRect(w.GetHWND(), &r);
  EXPECT_EQ(r.right - r.left, 600);
  EXPECT_EQ((r.left + r.right) / 2, (mi.rcWork.left + mi.rcWork.right) / 2);
  EXPECT_EQ((r.top + r.bottom) / 2, (mi.rcWork.top + mi.rcWork.bottom) / 2);
  // Over an owner near the edge: centred on it, then pushed inside.
  CTestWindow prompt(L"ExitTipWnd.xml");
  ::SetWindowPos(w.GetHWND(), nullptr, mi.rcWork.right - 100, mi.rcWork.bottom - 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ASSERT_TRUE(prompt.Open(w.GetHWND()));
  prompt.CenterWindow();
  ::GetWindowRect(prompt.GetHWND(), &r);
  EXPECT_EQ(r.right, mi.rcWork.right);
  EXPECT_EQ(r.bottom, mi.rcWork.bottom);
  // A minimised owner does not count: the work area is the reference.
  ::ShowWindow(w.GetHWND(), SW_MINIMIZE);
  prompt.CenterWindow();
  ::GetWindowRect(prompt.GetHWND(), &r);
  EXPECT_EQ((r.left + r.right) / 2, (mi.rcWork.left + mi.rcWork.right) / 2);
  EXPECT_EQ((r.top + r.bottom) / 2, (mi.rcWork.top + mi.rcWork.bottom) / 2);
}

TEST(SkinWindow, IconsFromResource145) {
  CTestWindow w(L"ExitTipWnd.xml");
  ASSERT_TRUE(w.Open());
  EXPECT_EQ(::SendMessageW(w.GetHWND(), WM_GETICON, ICON_BIG, 0), 0);
  w.SetIcon(145);
  EXPECT_NE(::SendMessageW(w.GetHWND(), WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_NE(::SendMessageW(w.GetHWND(), WM_GETICON, ICON_SMALL, 0), 0);
  w.SetIcon(146);  // absent: the icons stay
  EXPECT_NE(::SendMessageW(w.GetHWND(), WM_GETICON, ICON_BIG, 0), 0);
}

TEST(SkinWindow, CaptionStyleIsRemovedAndTheSkinSetsTheSize) {
  CTestWindow w(L"MessageBox1Wnd.xml");
  ASSERT_TRUE(w.Open());
  const LONG_PTR style = ::GetWindowLongPtrW(w.GetHWND(), GWL_STYLE);
  EXPECT_EQ(style & WS_CAPTION, 0);
  EXPECT_NE(style & WS_CLIPCHILDREN, 0);
  RECT r, c;
  ::GetWindowRect(w.GetHWND(), &r);
  ::GetClientRect(w.GetHWND(), &c);
  EXPECT_EQ(r.right - r.left, 360);
  EXPECT_EQ(r.bottom - r.top, 100);
  EXPECT_EQ(c.right, 360);  // no frame around the skin
  EXPECT_EQ(c.bottom, 100);
}

TEST(SkinWindow, RoundCornerRegionAndResourceFolder) {
  CTestWindow w(L"paint.xml");  // roundcorner="4,4"
  ASSERT_TRUE(w.Open());
  HRGN region = ::CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(::GetWindowRgn(w.GetHWND(), region), ERROR);
  EXPECT_FALSE(::PtInRegion(region, 0, 0));
  EXPECT_FALSE(::PtInRegion(region, 199, 99));
  EXPECT_TRUE(::PtInRegion(region, 2, 50));
  EXPECT_TRUE(::PtInRegion(region, 100, 0));
  ::DeleteObject(region);

  wchar_t exe[MAX_PATH];
  ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring folder = exe;
  folder.resize(folder.find_last_of(L'\\') + 1);
  EXPECT_EQ(CPaintManager::GetResourceFolder(), folder);
}

TEST(SkinWindow, QueuedNotificationsAfterTheWindowIsGoneAreDropped) {
  auto w = std::make_unique<CTestWindow>(L"caption.xml");
  ASSERT_TRUE(w->Open());
  CPaintManager& pm = w->PaintManager();
  ::DestroyWindow(w->GetHWND());
  std::thread([&] {
    for (int i = 0; i < 100; ++i) pm.SendNotify(nullptr, L"checknet", i, 0, true);
  }).join();
  EXPECT_EQ(pm.QueuedPosts(), 0);
  EXPECT_EQ(pm.PendingNotifications(), 0u);  // nothing piles up for a window that is gone
  PumpFor(30);
  EXPECT_TRUE(w->NotesOf(L"checknet").empty());
}

TEST(SkinWindow, AHandlerMayDestroyTheWindowWhileItsClickIsHandled) {
  CTestWindow w(L"ExitTipWnd.xml");
  ASSERT_TRUE(w.Open());
  HWND h = w.GetHWND();
  w.onNotify = [h](TNotify& n) {
    if (n.type == L"click") ::DestroyWindow(h);
  };
  Click(h, 200, 145);
  ASSERT_TRUE(PumpUntil([&] { return !::IsWindow(h); }));
  PumpFor(30);
  EXPECT_EQ(w.PaintManager().GetRoot(), nullptr);  // released once the handling ended
  EXPECT_EQ(w.NotesOf(L"click").size(), 1u);
}

TEST(SkinWindow, AnimatedButtonInTheCaptionBandClicks) {
  // Its class is "SequenceButton", but it is a push button like any other.
  CTestWindow w(L"sequence.xml");  // seqBtn at (0,20)-(100,40)
  ASSERT_TRUE(w.Open());
  w.PaintManager().SetCaptionRect(RECT{0, 0, 0, 60});
  EXPECT_EQ(HitTestAt(w.GetHWND(), 50, 30), HTCLIENT);
  EXPECT_EQ(HitTestAt(w.GetHWND(), 50, 10), HTCAPTION);  // the animated label drags
}
