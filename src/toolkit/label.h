#pragma once
// Static text and/or image, and clickable text.

#include "toolkit/control.h"

namespace SkinUI {

class CLabelControl : public CControl {
 public:
  std::wstring GetClass() const override { return L"Label"; }

  int GetFont() const { return font_; }
  void SetFont(int font);
  uint32_t GetTextColor() const { return textColor_; }
  void SetTextColor(uint32_t argb);
  void SetDisabledTextColor(uint32_t argb);
  const RECT& GetTextPadding() const { return textPadding_; }
  void SetTextPadding(const RECT& padding);
  HAlign GetHAlign() const { return halign_; }
  VAlign GetVAlign() const { return valign_; }
  bool IsMultiLine() const { return multiline_; }
  void SetMultiLine(bool multiline);

  // The width the text needs in this label's font, its text padding
  // included: what a label that should fit its text takes as fixed width.
  int MeasureTextWidth(const std::wstring& text) const;

  void SetAttribute(const std::wstring& name, const std::wstring& value) override;

 protected:
  void PaintText(CPaintContext& ctx, const RECT& clip) override;
  // The colour text is drawn in for the current state.
  virtual uint32_t CurrentTextColor() const;
  RECT TextRect() const;

  int font_ = -1;  // -1: the window's default font
  uint32_t textColor_ = 0xFF000000;
  uint32_t disabledTextColor_ = 0;
  RECT textPadding_{0, 0, 0, 0};
  HAlign halign_ = HAlign::Left;
  VAlign valign_ = VAlign::Center;
  bool multiline_ = false;
  bool endEllipsis_ = false;
};

// Text that reacts to the mouse: a release inside raises "click".
class CTextControl : public CLabelControl {
 public:
  std::wstring GetClass() const override { return L"Text"; }
  bool TakesCaptionClicks() const override { return true; }
  void DoEvent(TEvent& event) override;
  bool Activate() override;

 private:
  bool captured_ = false;
};

}  // namespace SkinUI
