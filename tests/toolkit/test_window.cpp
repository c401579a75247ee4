#include "test_window.h"

#include <cstdlib>

#include "ui/sequence_controls.h"

SkinUI::CControl* CTestWindow::CreateControl(const std::wstring& name) { return CreateSequenceControl(name); }

bool CTestWindow::Open(HWND owner, int x, int y, DWORD style) {
  if (Create(owner, L"toolkit test", style, 0, x, y, CW_USEDEFAULT, CW_USEDEFAULT) == nullptr) {
    return false;
  }
  PaintManager().LayoutNow();
  return true;
}

void CTestWindow::Notify(SkinUI::TNotify& msg) {
  notes.push_back(NoteRecord{msg.type, msg.sender != nullptr ? msg.sender->GetName() : L"", msg.wParam, msg.lParam,
                             ::GetCurrentThreadId()});
  if (onNotify) onNotify(msg);
  CSkinWindowBase::Notify(msg);
}

std::vector<NoteRecord> CTestWindow::NotesOf(const std::wstring& type) const {
  std::vector<NoteRecord> out;
  for (const NoteRecord& n : notes) {
    if (n.type == type) out.push_back(n);
  }
  return out;
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const DWORD start = ::GetTickCount();
  while (!done()) {
    if (::GetTickCount() - start > timeoutMs) return false;
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (!SkinUI::CPaintManager::TranslateMessage(&msg)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
      }
      if (done()) return true;
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
  return true;
}

void PumpFor(DWORD ms) {
  PumpUntil([] { return false; }, ms);
}

LPARAM MousePoint(int x, int y) { return MAKELPARAM(x, y); }

void Click(HWND hwnd, int x, int y) {
  ::PostMessageW(hwnd, WM_MOUSEMOVE, 0, MousePoint(x, y));
  ::PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MousePoint(x, y));
  ::PostMessageW(hwnd, WM_LBUTTONUP, 0, MousePoint(x, y));
}

namespace {
std::wstring UnixToWindows(const char* var) {
  const char* v = std::getenv(var);
  std::wstring out = L"Z:";
  for (const char* p = v != nullptr ? v : ""; *p != 0; ++p) out += (*p == '/') ? L'\\' : static_cast<wchar_t>(*p);
  if (out.back() != L'\\') out += L'\\';
  return out;
}
}  // namespace

std::wstring BuildDir() { return UnixToWindows("LUMAVOX_BUILD_DIR"); }
std::wstring SourceDir() { return UnixToWindows("LUMAVOX_SOURCE_DIR"); }
