#include "toolkit/skin_window_base.h"

#include <windowsx.h>

#include "toolkit/skin_archive.h"
#include "toolkit/skin_builder.h"
#include "utils/log.h"

namespace SkinUI {

CSkinWindowBase::~CSkinWindowBase() {
  // Destroyed while the object is whole, so the final messages still work.
  if (GetHWND() != nullptr && ::IsWindow(GetHWND())) ::DestroyWindow(GetHWND());
}

void CSkinWindowBase::Notify(TNotify& msg) {
  if (Dispatch(msg)) return;
  if (msg.type == L"click") OnClick(msg);
}

void CSkinWindowBase::OnClick(TNotify& msg) {
  if (msg.sender == nullptr) return;
  const std::wstring& name = msg.sender->GetName();
  if (name == L"closebtn") {
    Close(1);
  } else if (name == L"minbtn") {
    ::SendMessageW(GetHWND(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  } else if (name == L"maxbtn") {
    ::SendMessageW(GetHWND(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  } else if (name == L"restorebtn") {
    ::SendMessageW(GetHWND(), WM_SYSCOMMAND, SC_RESTORE, 0);
  }
}

LRESULT CSkinWindowBase::MessageHandler(UINT msg, WPARAM wParam, LPARAM, bool& handled) {
  if ((msg == WM_KEYDOWN || msg == WM_KEYUP || msg == WM_CHAR) && (wParam == VK_ESCAPE)) {
    handled = true;
  }
  return 0;
}

LRESULT CSkinWindowBase::HandleCustomMessage(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT CSkinWindowBase::OnCreate() {
  HWND hwnd = GetHWND();
  LONG_PTR style = ::GetWindowLongPtrW(hwnd, GWL_STYLE);
  style &= ~static_cast<LONG_PTR>(WS_CAPTION);
  style |= WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  ::SetWindowLongPtrW(hwnd, GWL_STYLE, style);
  ::SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

  pm_.Init(hwnd);
  pm_.AddPreMessageFilter(this);

  const SkinResourceKind kind = GetResourceKind();
  if (kind == SkinResourceKind::Packed &&
      !CSkinArchive::Instance().OpenFromResource(CPaintManager::GetInstance(), GetResourceID())) {
    // Without the archive the window stays empty.
    return 0;
  }
  CSkinBuilder builder;
  CControl* root = builder.Create(GetSkinFolder() + GetSkinFile(), kind, this, &pm_);
  if (root == nullptr) {
    DEBUG_LOG_LINE(L"skin %s cannot be built: %s", GetSkinFile().c_str(), builder.LastError().c_str());
    ::MessageBoxW(nullptr, L"加载资源文件失败", L"SkinUI", MB_ICONERROR | MB_OK);
    ::ExitProcess(kSkinLoadFailureExitCode);
  }
  pm_.AttachRoot(root);
  pm_.AddNotifier(this);
  skinBuilt_ = true;
  InitWindow();
  return 0;
}

LRESULT CSkinWindowBase::HitTest(POINT pt) {
  pm_.LayoutNow();
  RECT client;
  ::GetClientRect(GetHWND(), &client);
  const RECT& caption = pm_.GetCaptionRect();
  if (pt.x >= client.left + caption.left && pt.x < client.right - caption.right && pt.y >= caption.top &&
      pt.y < caption.bottom) {
    CControl* control = pm_.FindControlAt(pt);
    if (control != nullptr && !control->TakesCaptionClicks()) return HTCAPTION;
  }
  return HTCLIENT;
}

LRESULT CSkinWindowBase::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  bool handled = false;
  LRESULT result = HandleCustomMessage(msg, wParam, lParam, handled);
  if (handled) return result;

  switch (msg) {
    case WM_CREATE:
      return OnCreate();
    case WM_NCCALCSIZE:
      // The skin draws the whole window: no system frame, no caption.
      return 0;
    case WM_NCPAINT:
      return 0;
    case WM_NCACTIVATE:
      if (!::IsIconic(GetHWND())) return TRUE;
      break;
    case WM_NCHITTEST: {
      POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ::ScreenToClient(GetHWND(), &pt);
      return HitTest(pt);
    }
    case WM_NCLBUTTONDBLCLK:
      // A double click on the caption band does not maximise a skin.
      if (wParam == HTCAPTION) return 0;
      break;
    default:
      break;
  }
  if (pm_.MessageHandler(msg, wParam, lParam, result)) return result;
  return CNativeWindow::HandleMessage(msg, wParam, lParam);
}

void CSkinWindowBase::OnFinalMessage(HWND) {
  pm_.RemovePreMessageFilter(this);
  pm_.RemoveNotifier(this);
  pm_.Detach();
}

}  // namespace SkinUI
