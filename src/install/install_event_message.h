#pragma once
// How pipeline events reach the main window: each one becomes a heap record
// posted as WM_INSTALL_EVENT with the record's address in lParam. The window
// owns the record from then on and deletes it after handling the message.

#include <windows.h>

#include <cstdint>
#include <string>

#include "download/install_event.h"

constexpr UINT WM_INSTALL_EVENT = WM_USER + 1000;  // 2024

struct InstallEvent {
  int32_t code = 0;
  double value = 0;
  std::wstring text;
};

// Posts a copy of the event to the window without waiting. A record that
// cannot be posted (the window is gone) is deleted at once; false then.
bool PostInstallEvent(HWND window, int32_t code, double value, const std::wstring& text);

// The window's callback for the pipeline: posts every event to the window.
InstallEventCallback MakePostingCallback(HWND window);
