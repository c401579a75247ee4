#pragma once
// A window whose client area is a skin: built from the XML skin at
// creation, with the caption-band drag rule, the default click handling,
// Escape swallowed and notifications routed to the window.

#include <windows.h>

#include <string>

#include "toolkit/control.h"
#include "toolkit/native_window.h"
#include "toolkit/notify.h"
#include "toolkit/paint_manager.h"

namespace SkinUI {

// Shown, and the process ended with this code, when a skin cannot be built.
constexpr int kSkinLoadFailureExitCode = 1;

class CSkinWindowBase : public CNativeWindow,
                        public CNotifyRouter,
                        public INotifyListener,
                        public IMessageFilter,
                        public ISkinBuilderCallback {
 public:
  CSkinWindowBase() = default;
  ~CSkinWindowBase() override;

  // The skin descriptor.
  virtual std::wstring GetSkinFolder() const = 0;
  virtual std::wstring GetSkinFile() const = 0;
  // The process-wide form (packed unless set otherwise) by default.
  virtual SkinResourceKind GetResourceKind() const { return CPaintManager::GetResourceKind(); }
  virtual UINT GetResourceID() const { return 147; }

  CPaintManager& PaintManager() { return pm_; }
  CControl* FindControl(const std::wstring& name) const { return pm_.FindControl(name); }
  // A Window attribute the toolkit keeps without interpreting it (empty
  // when the skin does not set it).
  std::wstring GetWindowAttribute(const std::wstring& name) const { return pm_.GetWindowAttribute(name); }
  // True once the skin was built and the initialisation hook ran.
  bool IsSkinBuilt() const { return skinBuilt_; }

  // Every notification of the window: routed handlers first; a "click" no
  // handler took goes to OnClick.
  void Notify(TNotify& msg) override;
  // The default click handling: "closebtn" closes with code 1, "minbtn",
  // "maxbtn" and "restorebtn" minimise, maximise and restore.
  virtual void OnClick(TNotify& msg);
  // The message filter: swallows Escape.
  LRESULT MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override;
  // No controls beyond the toolkit's own unless a window adds some.
  CControl* CreateControl(const std::wstring&) override { return nullptr; }

 protected:
  // Called once the skin is built, inside window creation.
  virtual void InitWindow() {}
  // The window's own message handling, ahead of the toolkit's.
  virtual LRESULT HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void OnFinalMessage(HWND hwnd) override;
  // The hit test of the caption band; HTCLIENT outside it.
  LRESULT HitTest(POINT client);

  CPaintManager pm_;

 private:
  LRESULT OnCreate();

  bool skinBuilt_ = false;
};

}  // namespace SkinUI
