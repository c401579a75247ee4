#pragma once
// A skinned window for the tests: any skin of the test archive, recording
// what it is told.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "toolkit/skin_window_base.h"

struct NoteRecord {
  std::wstring type;
  std::wstring sender;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  DWORD thread = 0;
};

class CTestWindow : public SkinUI::CSkinWindowBase {
 public:
  explicit CTestWindow(std::wstring skin, UINT resource = 147) : skin_(std::move(skin)), resource_(resource) {}

  std::wstring GetSkinFolder() const override { return L""; }
  std::wstring GetSkinFile() const override { return skin_; }
  UINT GetResourceID() const override { return resource_; }
  std::wstring GetWindowClassName() const override { return L"ToolkitTestWnd"; }
  SkinUI::CControl* CreateControl(const std::wstring& name) override;

  // Creates the window visible at (x, y) with the installer's window
  // style; the skin gives its size.
  bool Open(HWND owner = nullptr, int x = 100, int y = 100, DWORD style = WS_VISIBLE | WS_OVERLAPPEDWINDOW);
  void Notify(SkinUI::TNotify& msg) override;

  template <typename T>
  T* Find(const std::wstring& name) {
    return dynamic_cast<T*>(FindControl(name));
  }
  std::vector<NoteRecord> NotesOf(const std::wstring& type) const;

  int initCalls = 0;
  std::vector<NoteRecord> notes;
  std::function<void(SkinUI::TNotify&)> onNotify;

 protected:
  void InitWindow() override { ++initCalls; }

 private:
  std::wstring skin_;
  UINT resource_;
};

// Dispatches messages (through the toolkit's pre-translation, as the modal
// loop does) until done() is true or the time is up.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 3000);
void PumpFor(DWORD ms);

// Client point to the lParam of a mouse message.
LPARAM MousePoint(int x, int y);
void Click(HWND hwnd, int x, int y);

std::wstring BuildDir();  // Windows path of the build folder, with "\"
std::wstring SourceDir();
