// skin_bench: times the skin toolkit on the product's skins (used by
// skin_bench.sh). Prints one line per figure with its target.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "toolkit/layouts.h"
#include "toolkit/progress.h"
#include "toolkit/skin_archive.h"
#include "toolkit/skin_image.h"
#include "toolkit/skin_window_base.h"

using namespace SkinUI;

namespace {

class CBenchWindow : public CSkinWindowBase {
 public:
  std::wstring GetSkinFolder() const override { return L""; }
  std::wstring GetSkinFile() const override { return L"MainWnd.xml"; }
  std::wstring GetWindowClassName() const override { return L"MainWnd"; }
};

double Ms(LONGLONG ticks) {
  static LARGE_INTEGER frequency{};
  if (frequency.QuadPart == 0) ::QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

LONGLONG Now() {
  LARGE_INTEGER t;
  ::QueryPerformanceCounter(&t);
  return t.QuadPart;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

void Pump() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (!CPaintManager::TranslateMessage(&msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
}

// Creation of a visible main window until its first paint has ended.
double CreateToFirstPaint(bool& complete) {
  CBenchWindow w;
  const LONGLONG start = Now();
  if (w.Create(nullptr, L"Lumavox", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0) == nullptr) return -1;
  const DWORD deadline = ::GetTickCount() + 5000;
  while (w.PaintManager().GetStats().firstPaintDone == 0 && ::GetTickCount() < deadline) {
    Pump();
    if (w.PaintManager().GetStats().firstPaintDone == 0) ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
  }
  const auto& stats = w.PaintManager().GetStats();
  RECT client;
  ::GetClientRect(w.GetHWND(), &client);
  complete = stats.paints >= 1 && EqualRect(&stats.lastPaint, &client);
  return stats.firstPaintDone == 0 ? -1 : Ms(stats.firstPaintDone - start);
}

// The same moment for a plain Win32 window that paints itself white: what
// the windowing system costs a process before any skin work.
double PlainCreateToFirstPaint() {
  static bool painted = false;
  WNDCLASSW wc{};
  wc.lpfnWndProc = [](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
    if (m == WM_PAINT) {
      PAINTSTRUCT ps;
      HDC dc = ::BeginPaint(h, &ps);
      ::FillRect(dc, &ps.rcPaint, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
      ::EndPaint(h, &ps);
      painted = true;
      return 0;
    }
    return ::DefWindowProcW(h, m, wp, lp);
  };
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"PlainBench";
  ::RegisterClassW(&wc);
  const LONGLONG start = Now();
  HWND w = ::CreateWindowW(L"PlainBench", L"Lumavox", WS_VISIBLE | WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                           600, 400, nullptr, nullptr, wc.hInstance, nullptr);
  const DWORD deadline = ::GetTickCount() + 5000;
  while (!painted && ::GetTickCount() < deadline) {
    Pump();
    if (!painted) ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
  }
  const double ms = Ms(Now() - start);
  ::DestroyWindow(w);
  return painted ? ms : -1;
}

}  // namespace

// One figure per run, so each run measures a fresh process the way the
// installer meets it:
//   skin_bench window    creation to first complete paint: the first window
//                        of the process (it also opens the archive), then
//                        the median of 20 more
//   skin_bench archive   archive open from the resource + decode of every
//                        image, first time in the process
//   skin_bench progress  one progress-bar update repaint, median of 100
//   skin_bench plain     creation to first paint of a plain Win32 window, for
//                        comparison
int main(int argc, char** argv) {
  CPaintManager::SetInstance(::GetModuleHandleW(nullptr));
  HMODULE self = ::GetModuleHandleW(nullptr);
  const std::string mode = argc > 1 ? argv[1] : "";
  {
    // GDI's own start-up (font enumeration under Wine) is not the toolkit's.
    HDC dc = ::CreateCompatibleDC(nullptr);
    ::DeleteDC(dc);
  }

  if (mode == "window") {
    bool complete = false;
    const double first = CreateToFirstPaint(complete);
    std::vector<double> more;
    bool allComplete = complete;
    for (int i = 0; i < 20; ++i) {
      more.push_back(CreateToFirstPaint(complete));
      allComplete = allComplete && complete;
    }
    std::printf("%.3f %.3f %d\n", first, Median(more), allComplete ? 1 : 0);
    return 0;
  }
  if (mode == "plain") {
    std::printf("%.3f\n", PlainCreateToFirstPaint());
    return 0;
  }
  if (mode == "archive") {
    const LONGLONG start = Now();
    if (!CSkinArchive::Instance().OpenFromResource(self, 147)) return 1;
    size_t images = 0;
    std::vector<uint8_t> data;
    for (const std::wstring& name : CSkinArchive::Instance().FileNames()) {
      if (name.size() > 4 && _wcsicmp(name.c_str() + name.size() - 4, L".png") == 0 &&
          CSkinArchive::Instance().ReadFile(name, data)) {
        images += DecodeImage(data.data(), data.size(), false, 0) != nullptr;
      }
    }
    std::printf("%.3f %zu\n", Ms(Now() - start), images);
    return 0;
  }
  if (mode == "progress") {
    CBenchWindow w;
    w.Create(nullptr, L"Lumavox", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0);
    dynamic_cast<CTabLayout*>(w.FindControl(L"mainTabLt"))->SelectItem(2, false);
    ::UpdateWindow(w.GetHWND());
    Pump();
    auto* bar = dynamic_cast<CProgressControl*>(w.FindControl(L"installPrg"));
    CControl* text = w.FindControl(L"progressLb");
    std::vector<double> bars, withText;
    for (int i = 1; i <= 100; ++i) {
      LONGLONG start = Now();
      bar->SetValue(i);
      ::UpdateWindow(w.GetHWND());
      bars.push_back(Ms(Now() - start));
      start = Now();
      wchar_t buf[250];
      swprintf(buf, 250, L"正在安装中:%d%%，请稍候...", i);
      text->SetText(buf);
      bar->SetValue(100 - i);
      ::UpdateWindow(w.GetHWND());
      withText.push_back(Ms(Now() - start));
    }
    std::printf("%.3f %.3f %.3f\n", Median(bars), *std::max_element(bars.begin(), bars.end()), Median(withText));
    return 0;
  }
  std::fprintf(stderr, "usage: skin_bench window|archive|progress\n");
  return 2;
}
