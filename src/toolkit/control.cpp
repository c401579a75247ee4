#include "toolkit/control.h"

#include <cwchar>

#include "toolkit/layouts.h"
#include "toolkit/paint_manager.h"

namespace SkinUI {

bool AttrIs(const std::wstring& name, const wchar_t* key) { return _wcsicmp(name.c_str(), key) == 0; }

CControl::~CControl() {
  if (manager_ != nullptr) manager_->ReapControl(this);
}

void CControl::SetText(const std::wstring& text) {
  if (text_ == text) return;
  text_ = text;
  Invalidate();
}

void CControl::SetVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  if (!visible && manager_ != nullptr) {
    // A hidden control keeps neither focus nor the mouse.
    manager_->ForgetInput(this);
  }
  NeedUpdate();
}

bool CControl::IsVisibleInTree() const {
  if (!visible_) return false;
  const CControl* child = this;
  for (CControl* p = parent_; p != nullptr; child = p, p = p->parent_) {
    CContainer* c = p->AsContainer();
    if (c != nullptr && !c->IsChildShown(child)) return false;
  }
  return true;
}

void CControl::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  Invalidate();
}

bool CControl::IsFocused() const { return manager_ != nullptr && manager_->GetFocus() == this; }

void CControl::SetFocus() {
  if (manager_ != nullptr) manager_->SetFocus(this);
}

void CControl::SetFixedWidth(int width) {
  if (width < 0 || fixedWidth_ == width) return;
  fixedWidth_ = width;
  NeedUpdate();
}

void CControl::SetFixedHeight(int height) {
  if (height < 0 || fixedHeight_ == height) return;
  fixedHeight_ = height;
  NeedUpdate();
}

void CControl::SetPadding(const RECT& padding) {
  padding_ = padding;
  NeedUpdate();
}

SIZE CControl::EstimateSize(SIZE) { return SIZE{fixedWidth_, fixedHeight_}; }

void CControl::SetPos(const RECT& rc) {
  if (EqualRect(&rc, &pos_)) return;
  Invalidate();
  pos_ = rc;
  if (pos_.right < pos_.left) pos_.right = pos_.left;
  if (pos_.bottom < pos_.top) pos_.bottom = pos_.top;
  Invalidate();
}

void CControl::ClearPos() { SetPos(RECT{0, 0, 0, 0}); }

void CControl::SetBkImage(const std::wstring& image) {
  if (bkImage_ == image) return;
  bkImage_ = image;
  Invalidate();
}

void CControl::SetBkColor(uint32_t argb) {
  bkColor_ = argb;
  Invalidate();
}

void CControl::SetBorderColor(uint32_t argb) {
  borderColor_ = argb;
  Invalidate();
}

void CControl::SetBorderSize(int size) {
  borderSize_ = size < 0 ? 0 : size;
  Invalidate();
}

void CControl::SetBorderRound(SIZE round) {
  borderRound_ = round;
  Invalidate();
}

void CControl::Invalidate() {
  if (manager_ != nullptr && !IsEmpty(pos_)) manager_->Invalidate(pos_);
}

void CControl::NeedUpdate() {
  if (manager_ != nullptr) manager_->NeedUpdate();
}

void CControl::SetManager(CPaintManager* manager, CControl* parent, bool init) {
  manager_ = manager;
  parent_ = parent;
  if (init && manager_ != nullptr) DoInit();
}

CControl* CControl::FindAt(POINT pt) {
  if (!visible_ || !mouseEnabled_ || !PtInRect(&pos_, pt)) return nullptr;
  return this;
}

CControl* CControl::FindByName(const std::wstring& name) { return name_ == name ? this : nullptr; }

void CControl::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (AttrIs(name, L"name")) {
    name_ = value;
  } else if (AttrIs(name, L"text")) {
    SetText(value);
  } else if (AttrIs(name, L"userdata")) {
    userData_ = value;
  } else if (AttrIs(name, L"width")) {
    SetFixedWidth(ParseInt(value));
  } else if (AttrIs(name, L"height")) {
    SetFixedHeight(ParseInt(value));
  } else if (AttrIs(name, L"padding")) {
    SetPadding(ParseRect(value));
  } else if (AttrIs(name, L"bkcolor")) {
    SetBkColor(ParseColor(value));
  } else if (AttrIs(name, L"bkimage")) {
    SetBkImage(value);
  } else if (AttrIs(name, L"bordercolor")) {
    SetBorderColor(ParseColor(value));
  } else if (AttrIs(name, L"bordersize")) {
    SetBorderSize(ParseInt(value));
  } else if (AttrIs(name, L"borderround")) {
    SetBorderRound(ParseSize(value));
  } else if (AttrIs(name, L"visible")) {
    SetVisible(ParseFlag(value));
  } else if (AttrIs(name, L"enabled")) {
    SetEnabled(ParseFlag(value));
  } else if (AttrIs(name, L"mouse")) {
    SetMouseEnabled(ParseFlag(value));
  }
  // Anything else is not a name this control knows, and has no effect.
}

void CControl::DoEvent(TEvent& event) {
  if (event.type == EventType::Timer && manager_ != nullptr) {
    manager_->SendNotify(this, L"timer", event.wParam, event.lParam);
  }
}

bool CControl::Activate() { return visible_ && enabled_; }

void CControl::DoPaint(CPaintContext& ctx, const RECT& clip) {
  const RECT area = Intersect(clip, pos_);
  if (IsEmpty(area)) return;
  PaintBkColor(ctx, area);
  PaintBkImage(ctx, area);
  PaintStatusImage(ctx, area);
  PaintText(ctx, area);
  PaintBorder(ctx, area);
}

void CControl::FillBackground(CPaintContext& ctx, const RECT& clip, uint32_t argb) {
  if ((argb >> 24) == 0) return;
  Canvas::FillRoundRect(ctx.surface, pos_, clip, argb, borderRound_);
}

void CControl::PaintBkColor(CPaintContext& ctx, const RECT& clip) { FillBackground(ctx, clip, bkColor_); }

void CControl::PaintBkImage(CPaintContext& ctx, const RECT& clip) {
  if (!bkImage_.empty()) DrawImageString(ctx, clip, bkImage_);
}

void CControl::PaintBorder(CPaintContext& ctx, const RECT& clip) {
  if (borderSize_ > 0) Canvas::DrawBorder(ctx.surface, pos_, clip, borderColor_, borderSize_, borderRound_);
}

bool CControl::DrawImageString(CPaintContext& ctx, const RECT& clip, const std::wstring& image) {
  if (image.empty()) return false;
  const ImageDesc desc = ParseImageString(image);
  std::shared_ptr<const CImage> img = ctx.manager.GetImage(desc.file, desc.hasMask, desc.mask);
  if (!img) return false;
  Canvas::DrawImage(ctx.surface, *img, desc, pos_, clip);
  return true;
}

}  // namespace SkinUI
