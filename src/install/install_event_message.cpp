#include "install/install_event_message.h"

#include <memory>

bool PostInstallEvent(HWND window, int32_t code, double value, const std::wstring& text) {
  auto event = std::make_unique<InstallEvent>();
  event->code = code;
  event->value = value;
  event->text = text;
  if (!::PostMessageW(window, WM_INSTALL_EVENT, 0, reinterpret_cast<LPARAM>(event.get()))) return false;
  event.release();  // the window deletes it
  return true;
}

InstallEventCallback MakePostingCallback(HWND window) {
  return
      [window](int32_t code, double value, const std::wstring& text) { PostInstallEvent(window, code, value, text); };
}
