#include "utils/system.h"

namespace Utils {

void Stopwatch::Start() {
  start_ = ::GetTickCount64();
  running_ = true;
}

float Stopwatch::ElapsedSeconds() const {
  if (!running_) return 0.0f;
  return static_cast<float>(::GetTickCount64() - start_) / 1000.0f;
}

bool PumpMessages(HWND window) {
  const ULONGLONG begin = ::GetTickCount64();
  bool got = false;
  MSG msg;
  while (!window || ::IsWindow(window)) {
    got = ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) != FALSE;
    if (got) {
      if (msg.message == WM_QUIT) {
        // The owner's loop still has to see it.
        ::PostQuitMessage(static_cast<int>(msg.wParam));
        break;
      }
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    } else {
      ::Sleep(1);
    }
    if (::GetTickCount64() - begin > 100) break;
  }
  return got;
}

}  // namespace Utils
