// The text field of the custom-install page: a real edit window over the
// control, shown only with its page, typed into, selected, pasted into and
// read back.
#include <gtest/gtest.h>

#include "test_window.h"
#include "toolkit/edit.h"
#include "toolkit/layouts.h"

using namespace SkinUI;

namespace {

struct Page1 {
  CTestWindow w{L"MainWnd.xml"};
  CEditControl* edit = nullptr;
  bool Open() {
    if (!w.Open()) return false;
    w.Find<CTabLayout>(L"mainTabLt")->SelectItem(1, false);
    w.PaintManager().LayoutNow();
    edit = w.Find<CEditControl>(L"installDirEdit");
    return edit != nullptr && edit->GetNativeWindow() != nullptr;
  }
};

void Type(HWND field, const std::wstring& text) {
  for (wchar_t c : text) ::PostMessageW(field, WM_CHAR, c, 1);
  PumpFor(50);
}

bool SetClipboard(HWND owner, const std::wstring& text) {
  if (!::OpenClipboard(owner)) return false;
  ::EmptyClipboard();
  HGLOBAL mem = ::GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
  memcpy(::GlobalLock(mem), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  ::GlobalUnlock(mem);
  const bool ok = ::SetClipboardData(CF_UNICODETEXT, mem) != nullptr;
  ::CloseClipboard();
  return ok;
}

}  // namespace

TEST(SkinEdit, FieldFollowsItsPage) {
  Page1 p;
  ASSERT_TRUE(p.Open());
  HWND field = p.edit->GetNativeWindow();
  EXPECT_EQ(::GetParent(field), p.w.GetHWND());
  EXPECT_TRUE(::IsWindowVisible(field));
  RECT r;
  ::GetWindowRect(field, &r);
  ::MapWindowPoints(nullptr, p.w.GetHWND(), reinterpret_cast<POINT*>(&r), 2);
  const RECT pos = p.edit->GetPos();
  // Inside the text padding (9,0,9,3) and vertically centred.
  EXPECT_EQ(r.left, pos.left + 9);
  EXPECT_EQ(r.right, pos.right - 9);
  EXPECT_GE(r.top, pos.top);
  EXPECT_LE(r.bottom, pos.bottom - 3);
  EXPECT_NEAR((r.top + r.bottom) / 2.0, (pos.top + pos.bottom - 3) / 2.0, 1.0);
  p.w.Find<CTabLayout>(L"mainTabLt")->SelectItem(0, false);
  p.w.PaintManager().LayoutNow();
  EXPECT_FALSE(::IsWindowVisible(field));
  p.w.Find<CTabLayout>(L"mainTabLt")->SelectItem(1, false);
  p.w.PaintManager().LayoutNow();
  EXPECT_TRUE(::IsWindowVisible(field));
}

TEST(SkinEdit, TypingSelectionPasteAndReadBack) {
  Page1 p;
  ASSERT_TRUE(p.Open());
  HWND field = p.edit->GetNativeWindow();
  p.edit->SetText(L"C:\\Program Files (x86)\\lumavoxapp");
  EXPECT_EQ(p.edit->GetText(), L"C:\\Program Files (x86)\\lumavoxapp");
  EXPECT_TRUE(p.w.NotesOf(L"textchanged").empty());  // set by the program, not typed

  p.edit->SetFocus();
  EXPECT_EQ(::GetFocus(), field);
  EXPECT_EQ(p.w.PaintManager().GetFocus(), p.edit);
  GUITHREADINFO gui{};
  gui.cbSize = sizeof(gui);
  ASSERT_TRUE(::GetGUIThreadInfo(::GetCurrentThreadId(), &gui));
  EXPECT_EQ(gui.hwndCaret, field);

  p.edit->SetSel(0, -1);
  Type(field, L"D:\\Apps");
  EXPECT_EQ(p.edit->GetText(), L"D:\\Apps");
  EXPECT_FALSE(p.w.NotesOf(L"textchanged").empty());

  Type(field, std::wstring(1, L'\b'));
  EXPECT_EQ(p.edit->GetText(), L"D:\\App");
  p.edit->SetSel(3, 6);
  Type(field, L"语音");
  EXPECT_EQ(p.edit->GetText(), L"D:\\语音");

  ASSERT_TRUE(SetClipboard(p.w.GetHWND(), L"\\粘贴"));
  ::SendMessageW(field, EM_SETSEL, 5, 5);
  ::PostMessageW(field, WM_CHAR, 0x16, 1);  // Ctrl+V
  PumpFor(50);
  EXPECT_EQ(p.edit->GetText(), L"D:\\语音\\粘贴");

  // Escape in the field is swallowed like everywhere else.
  ::PostMessageW(field, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
  ::PostMessageW(field, WM_CHAR, 27, 0x00010001);
  PumpFor(50);
  EXPECT_EQ(p.edit->GetText(), L"D:\\语音\\粘贴");
  EXPECT_TRUE(::IsWindow(p.w.GetHWND()));

  // A click elsewhere takes the keyboard back to the window.
  Click(p.w.GetHWND(), 300, 120);
  PumpFor(50);
  EXPECT_EQ(::GetFocus(), p.w.GetHWND());
}

TEST(SkinEdit, LimitsAndReadOnly) {
  Page1 p;
  ASSERT_TRUE(p.Open());
  HWND field = p.edit->GetNativeWindow();
  p.edit->SetText(L"");
  p.edit->SetMaxChar(3);
  Type(field, L"abcdef");
  EXPECT_EQ(p.edit->GetText(), L"abc");
  p.edit->SetReadOnly(true);
  Type(field, L"x");
  EXPECT_EQ(p.edit->GetText(), L"abc");
  p.edit->SetEnabled(false);
  EXPECT_FALSE(::IsWindowEnabled(field));
}
