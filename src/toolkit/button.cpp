#include "toolkit/button.h"

#include "toolkit/layouts.h"
#include "toolkit/paint_manager.h"

namespace SkinUI {

CButtonControl::CButtonControl() { halign_ = HAlign::Center; }

void CButtonControl::SetNormalImage(const std::wstring& image) {
  normalImage_ = image;
  Invalidate();
}
void CButtonControl::SetHotImage(const std::wstring& image) {
  hotImage_ = image;
  Invalidate();
}
void CButtonControl::SetPushedImage(const std::wstring& image) {
  pushedImage_ = image;
  Invalidate();
}
void CButtonControl::SetDisabledImage(const std::wstring& image) {
  disabledImage_ = image;
  Invalidate();
}

void CButtonControl::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (AttrIs(name, L"normalimage")) {
    SetNormalImage(value);
  } else if (AttrIs(name, L"hotimage")) {
    SetHotImage(value);
  } else if (AttrIs(name, L"pushedimage")) {
    SetPushedImage(value);
  } else if (AttrIs(name, L"focusedimage")) {
    focusedImage_ = value;
  } else if (AttrIs(name, L"disabledimage")) {
    SetDisabledImage(value);
  } else if (AttrIs(name, L"hotbkcolor")) {
    hotBkColor_ = ParseColor(value);
  } else if (AttrIs(name, L"pushedbkcolor")) {
    pushedBkColor_ = ParseColor(value);
  } else if (AttrIs(name, L"disabledbkcolor")) {
    disabledBkColor_ = ParseColor(value);
  } else if (AttrIs(name, L"hottextcolor")) {
    hotTextColor_ = ParseColor(value);
  } else if (AttrIs(name, L"pushedtextcolor")) {
    pushedTextColor_ = ParseColor(value);
  } else if (AttrIs(name, L"focusedtextcolor")) {
    focusedTextColor_ = ParseColor(value);
  } else {
    CLabelControl::SetAttribute(name, value);
  }
}

void CButtonControl::DoEvent(TEvent& event) {
  switch (event.type) {
    case EventType::MouseEnter:
      if (enabled_) {
        hot_ = true;
        Invalidate();
      }
      break;
    case EventType::MouseLeave:
      hot_ = false;
      Invalidate();
      break;
    case EventType::ButtonDown:
      if (enabled_) {
        captured_ = true;
        pushed_ = true;
        Invalidate();
      }
      break;
    case EventType::MouseMove:
      if (captured_) {
        const bool inside = PtInRect(&pos_, event.pt) != FALSE;
        if (inside != pushed_) {
          pushed_ = inside;
          Invalidate();
        }
      }
      break;
    case EventType::ButtonUp: {
      const bool click = captured_ && PtInRect(&pos_, event.pt);
      captured_ = false;
      pushed_ = false;
      Invalidate();
      if (click) Activate();
      break;
    }
    case EventType::CaptureLost:
      captured_ = false;
      pushed_ = false;
      Invalidate();
      break;
    case EventType::KeyDown:
      if (event.wParam == VK_SPACE || event.wParam == VK_RETURN) Activate();
      break;
    default:
      CLabelControl::DoEvent(event);
  }
}

bool CButtonControl::Activate() {
  if (!CLabelControl::Activate()) return false;
  if (manager_ != nullptr) manager_->SendNotify(this, L"click");
  return true;
}

void CButtonControl::PaintBkColor(CPaintContext& ctx, const RECT& clip) {
  uint32_t colour = bkColor_;
  if (!enabled_) {
    if (disabledBkColor_ != 0) colour = disabledBkColor_;
  } else if (pushed_ && pushedBkColor_ != 0) {
    colour = pushedBkColor_;
  } else if ((hot_ || pushed_) && hotBkColor_ != 0) {
    colour = hotBkColor_;
  }
  FillBackground(ctx, clip, colour);
}

const std::wstring& CButtonControl::CurrentImage() const {
  const std::wstring* image = &normalImage_;
  if (!enabled_) {
    if (!disabledImage_.empty()) image = &disabledImage_;
  } else if (pushed_ && !pushedImage_.empty()) {
    image = &pushedImage_;
  } else if ((hot_ || pushed_) && !hotImage_.empty()) {
    image = &hotImage_;
  } else if (IsFocused() && !focusedImage_.empty()) {
    image = &focusedImage_;
  }
  return *image;
}

void CButtonControl::PaintStatusImage(CPaintContext& ctx, const RECT& clip) {
  const std::wstring& image = CurrentImage();
  // A state image that cannot be drawn (absent from the skin archive) falls
  // back to the normal one rather than leaving the button blank.
  if (!DrawImageString(ctx, clip, image) && &image != &normalImage_) DrawImageString(ctx, clip, normalImage_);
}

uint32_t CButtonControl::CurrentTextColor() const {
  if (!enabled_) return CLabelControl::CurrentTextColor();
  if (pushed_ && pushedTextColor_ != 0) return pushedTextColor_;
  if ((hot_ || pushed_) && hotTextColor_ != 0) return hotTextColor_;
  if (IsFocused() && focusedTextColor_ != 0) return focusedTextColor_;
  return textColor_;
}

void COptionControl::Selected(bool selected, bool announce) {
  if (selected_ == selected) return;
  selected_ = selected;
  Invalidate();
  if (manager_ == nullptr) return;
  if (selected_ && !group_.empty()) {
    // Unselect the other options of the group, wherever they are in the tree.
    std::vector<COptionControl*> others;
    struct Walk {
      static void Collect(CControl* c, const std::wstring& group, COptionControl* self,
                          std::vector<COptionControl*>& out) {
        if (auto* o = dynamic_cast<COptionControl*>(c); o != nullptr && o != self && o->group_ == group) {
          out.push_back(o);
        }
        if (CContainer* k = c->AsContainer()) {
          for (int i = 0; i < k->GetCount(); ++i) Collect(k->GetItemAt(i), group, self, out);
        }
      }
    };
    if (CControl* root = manager_->GetRoot()) Walk::Collect(root, group_, this, others);
    for (COptionControl* o : others) o->Selected(false, announce);
  }
  if (announce) manager_->SendNotify(this, L"selectchanged");
}

void COptionControl::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (AttrIs(name, L"group")) {
    group_ = value;
  } else if (AttrIs(name, L"selected")) {
    Selected(ParseFlag(value), false);
  } else if (AttrIs(name, L"selectedimage")) {
    selectedImage_ = value;
  } else if (AttrIs(name, L"selectedhotimage")) {
    selectedHotImage_ = value;
  } else if (AttrIs(name, L"selectedtextcolor")) {
    selectedTextColor_ = ParseColor(value);
  } else if (AttrIs(name, L"selectedbkcolor")) {
    selectedBkColor_ = ParseColor(value);
  } else {
    CButtonControl::SetAttribute(name, value);
  }
}

bool COptionControl::Activate() {
  if (!CButtonControl::Activate()) return false;
  if (!group_.empty()) {
    Selected(true);
  } else {
    Selected(!selected_);
  }
  return true;
}

void COptionControl::PaintBkColor(CPaintContext& ctx, const RECT& clip) {
  if (selected_ && selectedBkColor_ != 0) {
    FillBackground(ctx, clip, selectedBkColor_);
    return;
  }
  CButtonControl::PaintBkColor(ctx, clip);
}

uint32_t COptionControl::CurrentTextColor() const {
  if (selected_ && enabled_ && selectedTextColor_ != 0) return selectedTextColor_;
  return CButtonControl::CurrentTextColor();
}

const std::wstring& COptionControl::CurrentImage() const {
  if (selected_ && enabled_) {
    if ((hot_ || pushed_) && !selectedHotImage_.empty()) return selectedHotImage_;
    if (!selectedImage_.empty()) return selectedImage_;
  }
  return CButtonControl::CurrentImage();
}

CCheckBoxControl::CCheckBoxControl() { halign_ = HAlign::Left; }

void CCheckBoxControl::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (AttrIs(name, L"group")) return;  // check boxes stand alone
  COptionControl::SetAttribute(name, value);
}

}  // namespace SkinUI
