#include "toolkit/progress.h"

#include <algorithm>

#include "toolkit/paint_manager.h"

namespace SkinUI {

void CProgressControl::SetValue(int value) {
  value = std::clamp(value, min_, std::max(min_, max_));
  if (value == value_) return;
  value_ = value;
  Invalidate();
}

void CProgressControl::SetForeImage(const std::wstring& image) {
  if (foreImage_ == image) return;
  foreImage_ = image;
  Invalidate();
}

RECT CProgressControl::ForeRect() const {
  RECT r = pos_;
  const long range = static_cast<long>(max_) - min_;
  if (range <= 0) {
    r.right = r.left;
    return r;
  }
  r.right = r.left + static_cast<long>((static_cast<long long>(pos_.right - pos_.left) * (value_ - min_)) / range);
  return r;
}

void CProgressControl::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (AttrIs(name, L"foreimage")) {
    SetForeImage(value);
  } else if (AttrIs(name, L"min")) {
    min_ = ParseInt(value);
    SetValue(value_);
  } else if (AttrIs(name, L"max")) {
    max_ = ParseInt(value);
    SetValue(value_);
  } else if (AttrIs(name, L"value")) {
    SetValue(ParseInt(value));
  } else {
    CLabelControl::SetAttribute(name, value);
  }
}

void CProgressControl::PaintStatusImage(CPaintContext& ctx, const RECT& clip) {
  if (foreImage_.empty()) return;
  const RECT fore = ForeRect();
  if (IsEmpty(fore)) return;
  const ImageDesc desc = ParseImageString(foreImage_);
  std::shared_ptr<const CImage> img = ctx.manager.GetImage(desc.file, desc.hasMask, desc.mask);
  if (!img) return;
  // The foreground is laid into the covered part as into a control of its
  // own, so its nine-grid ends stay intact at every value.
  Canvas::DrawImage(ctx.surface, *img, desc, fore, clip);
}

}  // namespace SkinUI
