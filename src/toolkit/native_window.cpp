#include "toolkit/native_window.h"

#include <algorithm>

#include "toolkit/paint_manager.h"

namespace SkinUI {

CNativeWindow::~CNativeWindow() {
  if (hwnd_ != nullptr && ::IsWindow(hwnd_)) {
    // The object goes first: the window must no longer call into it.
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    ::DestroyWindow(hwnd_);
  }
  if (bigIcon_ != nullptr) ::DestroyIcon(bigIcon_);
  if (smallIcon_ != nullptr) ::DestroyIcon(smallIcon_);
}

bool CNativeWindow::RegisterWindowClass() {
  const std::wstring name = GetWindowClassName();
  HINSTANCE instance = CPaintManager::GetInstance();
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof(existing);
  if (::GetClassInfoExW(instance, name.c_str(), &existing)) return true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = GetClassStyle();
  wc.lpfnWndProc = &CNativeWindow::WindowProc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = name.c_str();
  return ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CNativeWindow::Create(HWND parent, const wchar_t* title, DWORD style, DWORD exStyle, int x, int y, int cx, int cy,
                           HMENU menu) {
  if (hwnd_ != nullptr || !RegisterWindowClass()) return nullptr;
  const std::wstring name = GetWindowClassName();
  ::CreateWindowExW(exStyle, name.c_str(), title, style, x, y, cx, cy, parent, menu, CPaintManager::GetInstance(),
                    this);
  return hwnd_;
}

void CNativeWindow::ShowWindow(bool show, bool takeFocus) {
  if (hwnd_ == nullptr) return;
  ::ShowWindow(hwnd_, show ? (takeFocus ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE) : SW_HIDE);
}

UINT CNativeWindow::ShowModal() {
  HWND self = hwnd_;
  if (self == nullptr) return closeCode_;
  HWND owner = ::GetWindow(self, GW_OWNER);
  modal_ = true;
  ::ShowWindow(self, SW_SHOWNORMAL);
  if (owner != nullptr) ::EnableWindow(owner, FALSE);
  MSG msg{};
  bool quit = false;
  while (::IsWindow(self)) {
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      quit = true;
      break;
    }
    if (got == -1) break;
    if (!CPaintManager::TranslateMessage(&msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  if (owner != nullptr) {
    ::EnableWindow(owner, TRUE);
    ::SetFocus(owner);
  }
  if (quit) ::PostQuitMessage(static_cast<int>(msg.wParam));
  return closeCode_;
}

void CNativeWindow::Close(UINT code) {
  if (hwnd_ != nullptr && ::IsWindow(hwnd_)) ::PostMessageW(hwnd_, WM_CLOSE, code, 0);
}

void CNativeWindow::CenterWindow() {
  if (hwnd_ == nullptr) return;
  RECT rc;
  ::GetWindowRect(hwnd_, &rc);
  const int w = rc.right - rc.left, h = rc.bottom - rc.top;
  MONITORINFO mi{};
  mi.cbSize = sizeof(mi);
  ::GetMonitorInfoW(::MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST), &mi);
  const RECT work = mi.rcWork;
  RECT centre = work;
  HWND owner = ::GetWindow(hwnd_, GW_OWNER);
  // An owner not shown yet (still inside its creation) counts: its position
  // is already where it will appear.
  if (owner != nullptr && !::IsIconic(owner)) ::GetWindowRect(owner, &centre);
  int x = (centre.left + centre.right) / 2 - w / 2;
  int y = (centre.top + centre.bottom) / 2 - h / 2;
  // Inside the work area; a window larger than it keeps its top-left corner.
  x = std::max<int>(work.left, std::min<int>(x, work.right - w));
  y = std::max<int>(work.top, std::min<int>(y, work.bottom - h));
  ::SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CNativeWindow::SetIcon(UINT resourceId) {
  if (hwnd_ == nullptr) return;
  HINSTANCE instance = CPaintManager::GetInstance();
  HICON big = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(resourceId), IMAGE_ICON,
                                              ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), 0));
  HICON small = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(resourceId), IMAGE_ICON,
                                                ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0));
  if (big != nullptr) {
    ::SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    if (bigIcon_ != nullptr) ::DestroyIcon(bigIcon_);
    bigIcon_ = big;
  }
  if (small != nullptr) {
    ::SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    if (smallIcon_ != nullptr) ::DestroyIcon(smallIcon_);
    smallIcon_ = small;
  }
}

LRESULT CNativeWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_CLOSE) {
    closeCode_ = static_cast<UINT>(wParam);
  }
  return ::DefWindowProcW(hwnd_, msg, wParam, lParam);
}

LRESULT CALLBACK CNativeWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  CNativeWindow* self = nullptr;
  if (msg == WM_NCCREATE) {
    self = static_cast<CNativeWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->hwnd_ = hwnd;
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<CNativeWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (self == nullptr) return ::DefWindowProcW(hwnd, msg, wParam, lParam);

  if (msg == WM_DESTROY && self->modal_) {
    // Enabled before the window goes, so activation returns to the owner.
    HWND owner = ::GetWindow(hwnd, GW_OWNER);
    if (owner != nullptr) ::EnableWindow(owner, TRUE);
  }
  if (msg == WM_NCDESTROY) {
    const LRESULT result = self->HandleMessage(msg, wParam, lParam);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    self->modal_ = false;
    self->OnFinalMessage(hwnd);
    return result;
  }
  return self->HandleMessage(msg, wParam, lParam);
}

}  // namespace SkinUI
