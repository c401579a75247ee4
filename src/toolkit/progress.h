#pragma once
// A horizontal bar: the background image is the track, the foreground image
// is drawn over the part that corresponds to the value.

#include "toolkit/label.h"

namespace SkinUI {

class CProgressControl : public CLabelControl {
 public:
  std::wstring GetClass() const override { return L"Progress"; }

  int GetValue() const { return value_; }
  // Limited to the range (0 to 100 unless the skin sets another).
  void SetValue(int value);
  int GetMinValue() const { return min_; }
  int GetMaxValue() const { return max_; }
  const std::wstring& GetForeImage() const { return foreImage_; }
  void SetForeImage(const std::wstring& image);
  // The part of the bar the foreground covers for the current value.
  RECT ForeRect() const;

  void SetAttribute(const std::wstring& name, const std::wstring& value) override;

 protected:
  void PaintStatusImage(CPaintContext& ctx, const RECT& clip) override;

 private:
  int min_ = 0;
  int max_ = 100;
  int value_ = 0;
  std::wstring foreImage_;
};

}  // namespace SkinUI
