#include "toolkit/label.h"

#include "toolkit/paint_manager.h"

namespace SkinUI {

void CLabelControl::SetFont(int font) {
  font_ = font;
  Invalidate();
}

void CLabelControl::SetTextColor(uint32_t argb) {
  textColor_ = argb;
  Invalidate();
}

void CLabelControl::SetDisabledTextColor(uint32_t argb) {
  disabledTextColor_ = argb;
  Invalidate();
}

void CLabelControl::SetTextPadding(const RECT& padding) {
  textPadding_ = padding;
  Invalidate();
}

void CLabelControl::SetMultiLine(bool multiline) {
  multiline_ = multiline;
  Invalidate();
}

int CLabelControl::MeasureTextWidth(const std::wstring& text) const {
  if (manager_ == nullptr) return 0;
  return manager_->MeasureText(font_, text).cx + textPadding_.left + textPadding_.right;
}

void CLabelControl::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (AttrIs(name, L"font")) {
    SetFont(ParseInt(value));
  } else if (AttrIs(name, L"textcolor")) {
    SetTextColor(ParseColor(value));
  } else if (AttrIs(name, L"disabledtextcolor")) {
    SetDisabledTextColor(ParseColor(value));
  } else if (AttrIs(name, L"textpadding")) {
    SetTextPadding(ParseRect(value));
  } else if (AttrIs(name, L"align")) {
    halign_ = ParseHAlign(value, halign_);
  } else if (AttrIs(name, L"valign")) {
    valign_ = ParseVAlign(value, valign_);
  } else if (AttrIs(name, L"multiline")) {
    SetMultiLine(ParseFlag(value));
  } else if (AttrIs(name, L"endellipsis")) {
    endEllipsis_ = ParseFlag(value);
  } else {
    CControl::SetAttribute(name, value);
  }
}

uint32_t CLabelControl::CurrentTextColor() const {
  if (!enabled_ && disabledTextColor_ != 0) return disabledTextColor_;
  return textColor_;
}

RECT CLabelControl::TextRect() const {
  return RECT{pos_.left + textPadding_.left, pos_.top + textPadding_.top, pos_.right - textPadding_.right,
              pos_.bottom - textPadding_.bottom};
}

void CLabelControl::PaintText(CPaintContext& ctx, const RECT& clip) {
  const std::wstring text = GetText();
  if (text.empty()) return;
  const RECT rc = TextRect();
  ctx.manager.DrawString(ctx.surface, Intersect(clip, pos_), text, rc, font_, halign_, valign_, multiline_,
                         endEllipsis_, CurrentTextColor());
}

void CTextControl::DoEvent(TEvent& event) {
  switch (event.type) {
    case EventType::ButtonDown:
      captured_ = enabled_;
      break;
    case EventType::ButtonUp:
      if (captured_ && PtInRect(&pos_, event.pt)) Activate();
      captured_ = false;
      break;
    case EventType::CaptureLost:
      captured_ = false;
      break;
    default:
      CLabelControl::DoEvent(event);
  }
}

bool CTextControl::Activate() {
  if (!CLabelControl::Activate()) return false;
  if (manager_ != nullptr) manager_->SendNotify(this, L"click");
  return true;
}

}  // namespace SkinUI
