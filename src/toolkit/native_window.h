#pragma once
// A thin owner of one top-level window: class registration, the window
// procedure thunk, modal runs, centring, closing with a code and icons.

#include <windows.h>

#include <string>

namespace SkinUI {

class CNativeWindow {
 public:
  CNativeWindow() = default;
  virtual ~CNativeWindow();
  CNativeWindow(const CNativeWindow&) = delete;
  CNativeWindow& operator=(const CNativeWindow&) = delete;

  HWND GetHWND() const { return hwnd_; }
  operator HWND() const { return hwnd_; }

  HWND Create(HWND parent, const wchar_t* title, DWORD style, DWORD exStyle, int x = CW_USEDEFAULT,
              int y = CW_USEDEFAULT, int cx = CW_USEDEFAULT, int cy = CW_USEDEFAULT, HMENU menu = nullptr);
  void ShowWindow(bool show = true, bool takeFocus = true);
  // Shows the window, disables its owner and runs the message loop until
  // the window is gone; the owner is enabled and focused again. Returns the
  // close code. A WM_QUIT that ended the loop is posted again.
  UINT ShowModal();
  // Posts WM_CLOSE with the code as wParam (only while the window exists).
  void Close(UINT code = IDOK);
  // Centres on the owner (or, without one or when it is minimised, on the
  // work area of the window's monitor), then moves the window inside that
  // work area.
  void CenterWindow();
  // Big and small window icons from an icon resource of the toolkit's module.
  void SetIcon(UINT resourceId);
  UINT GetCloseCode() const { return closeCode_; }

 protected:
  virtual std::wstring GetWindowClassName() const = 0;
  virtual UINT GetClassStyle() const { return 0; }
  virtual LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  // The last message the window gets (WM_NCDESTROY has been handled).
  virtual void OnFinalMessage(HWND) {}

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  bool RegisterWindowClass();

  HWND hwnd_ = nullptr;
  UINT closeCode_ = 0;
  bool modal_ = false;
  HICON bigIcon_ = nullptr;
  HICON smallIcon_ = nullptr;
};

}  // namespace SkinUI
