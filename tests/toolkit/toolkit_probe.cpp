// Opens one skinned window from the test archive and closes it again.
// Usage: toolkit_probe <skin file> [resource id]
// Exit codes: 0 the skin was built, 3 the window stayed empty, 2 no window;
// a skin that cannot be built ends the process inside the toolkit.
#include <windows.h>

#include <cwchar>
#include <string>

#include "toolkit/skin_window_base.h"

namespace {
class CProbeWindow : public SkinUI::CSkinWindowBase {
 public:
  CProbeWindow(std::wstring skin, UINT id) : skin_(std::move(skin)), id_(id) {}
  std::wstring GetSkinFolder() const override { return L""; }
  std::wstring GetSkinFile() const override { return skin_; }
  UINT GetResourceID() const override { return id_; }
  std::wstring GetWindowClassName() const override { return L"ToolkitProbeWnd"; }

 private:
  std::wstring skin_;
  UINT id_;
};
}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  const UINT id = argc > 2 ? static_cast<UINT>(std::wcstoul(argv[2], nullptr, 10)) : 147;
  SkinUI::CPaintManager::SetInstance(::GetModuleHandleW(nullptr));
  CProbeWindow window(argv[1], id);
  if (window.Create(nullptr, L"probe", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0) == nullptr) return 2;
  return window.IsSkinBuilt() ? 0 : 3;
}
