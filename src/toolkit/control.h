#pragma once
// The base of every control of a skinned window: a rectangle in the
// window's client area with a name, texts, colours, images and state.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "toolkit/canvas.h"
#include "toolkit/notify.h"
#include "toolkit/skin_values.h"

namespace SkinUI {

class CPaintManager;
class CContainer;

enum class EventType {
  MouseEnter,
  MouseLeave,
  MouseMove,
  ButtonDown,
  ButtonUp,
  CaptureLost,
  KeyDown,
  Char,
  SetFocus,
  KillFocus,
  Timer
};

struct TEvent {
  EventType type = EventType::MouseMove;
  POINT pt{0, 0};
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

struct CPaintContext {
  CSurface& surface;
  CPaintManager& manager;
};

// Attribute names of the markup match ignoring case.
bool AttrIs(const std::wstring& name, const wchar_t* key);

class CControl {
 public:
  CControl() = default;
  virtual ~CControl();
  CControl(const CControl&) = delete;
  CControl& operator=(const CControl&) = delete;

  virtual std::wstring GetClass() const { return L"Control"; }
  virtual CContainer* AsContainer() { return nullptr; }
  // True when a press inside the window's caption band should reach this
  // control instead of dragging the window.
  virtual bool TakesCaptionClicks() const { return false; }

  const std::wstring& GetName() const { return name_; }
  void SetName(const std::wstring& name) { name_ = name; }
  virtual std::wstring GetText() const { return text_; }
  virtual void SetText(const std::wstring& text);
  const std::wstring& GetUserData() const { return userData_; }
  void SetUserData(const std::wstring& data) { userData_ = data; }

  bool IsVisible() const { return visible_; }
  virtual void SetVisible(bool visible);
  // Visible itself, and shown by every container above it.
  bool IsVisibleInTree() const;
  bool IsEnabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled);
  bool IsMouseEnabled() const { return mouseEnabled_; }
  void SetMouseEnabled(bool enabled) { mouseEnabled_ = enabled; }
  bool IsFocused() const;
  virtual void SetFocus();

  // Layout: a fixed size of 0 means "share what is left".
  int GetFixedWidth() const { return fixedWidth_; }
  void SetFixedWidth(int width);
  int GetFixedHeight() const { return fixedHeight_; }
  void SetFixedHeight(int height);
  const RECT& GetPadding() const { return padding_; }
  void SetPadding(const RECT& padding);
  virtual SIZE EstimateSize(SIZE available);
  const RECT& GetPos() const { return pos_; }
  virtual void SetPos(const RECT& rc);
  // Controls that are not laid out (hidden, or on a page not shown) get an
  // empty rectangle, so they are neither painted nor hit.
  virtual void ClearPos();

  const std::wstring& GetBkImage() const { return bkImage_; }
  void SetBkImage(const std::wstring& image);
  uint32_t GetBkColor() const { return bkColor_; }
  void SetBkColor(uint32_t argb);
  void SetBorderColor(uint32_t argb);
  void SetBorderSize(int size);
  void SetBorderRound(SIZE round);

  // Repaints the control's rectangle at the next paint.
  void Invalidate();
  // Sizes or visibility changed: the window lays out again before painting.
  void NeedUpdate();

  CPaintManager* GetManager() const { return manager_; }
  CControl* GetParent() const { return parent_; }
  virtual void SetManager(CPaintManager* manager, CControl* parent, bool init);
  // The topmost shown, mouse-enabled control under pt.
  virtual CControl* FindAt(POINT pt);
  virtual CControl* FindByName(const std::wstring& name);

  virtual void SetAttribute(const std::wstring& name, const std::wstring& value);
  virtual void DoEvent(TEvent& event);
  // What a click does; false when the control cannot act (hidden, disabled).
  virtual bool Activate();
  virtual void DoPaint(CPaintContext& ctx, const RECT& clip);
  // Called once when the control joins a window.
  virtual void DoInit() {}
  // After every layout: controls that host a native window move it.
  virtual void SyncNativeWindow() {}

 protected:
  virtual void PaintBkColor(CPaintContext& ctx, const RECT& clip);
  virtual void PaintBkImage(CPaintContext& ctx, const RECT& clip);
  virtual void PaintStatusImage(CPaintContext&, const RECT&) {}
  virtual void PaintText(CPaintContext&, const RECT&) {}
  virtual void PaintBorder(CPaintContext& ctx, const RECT& clip);
  // Draws an image string into the control; false when it names no
  // readable image (nothing is drawn then).
  bool DrawImageString(CPaintContext& ctx, const RECT& clip, const std::wstring& image);
  void FillBackground(CPaintContext& ctx, const RECT& clip, uint32_t argb);

  CPaintManager* manager_ = nullptr;
  CControl* parent_ = nullptr;
  std::wstring name_;
  std::wstring text_;
  std::wstring userData_;
  std::wstring bkImage_;
  RECT pos_{0, 0, 0, 0};
  RECT padding_{0, 0, 0, 0};
  int fixedWidth_ = 0;
  int fixedHeight_ = 0;
  uint32_t bkColor_ = 0;
  uint32_t borderColor_ = 0;
  int borderSize_ = 0;
  SIZE borderRound_{0, 0};
  bool visible_ = true;
  bool enabled_ = true;
  bool mouseEnabled_ = true;
};

}  // namespace SkinUI
