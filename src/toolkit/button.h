#pragma once
// Push buttons, options and check boxes.

#include "toolkit/label.h"

namespace SkinUI {

class CButtonControl : public CLabelControl {
 public:
  CButtonControl();
  std::wstring GetClass() const override { return L"Button"; }
  bool TakesCaptionClicks() const override { return true; }

  bool IsHot() const { return hot_; }
  bool IsPushed() const { return pushed_; }
  void SetNormalImage(const std::wstring& image);
  void SetHotImage(const std::wstring& image);
  void SetPushedImage(const std::wstring& image);
  void SetDisabledImage(const std::wstring& image);

  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void DoEvent(TEvent& event) override;
  // Raises "click".
  bool Activate() override;

 protected:
  void PaintBkColor(CPaintContext& ctx, const RECT& clip) override;
  void PaintStatusImage(CPaintContext& ctx, const RECT& clip) override;
  uint32_t CurrentTextColor() const override;
  // The state image to draw, normal image as the fall-back.
  virtual const std::wstring& CurrentImage() const;

  bool hot_ = false;
  bool pushed_ = false;
  bool captured_ = false;
  std::wstring normalImage_, hotImage_, pushedImage_, focusedImage_, disabledImage_;
  uint32_t hotBkColor_ = 0, pushedBkColor_ = 0, disabledBkColor_ = 0;
  uint32_t hotTextColor_ = 0, pushedTextColor_ = 0, focusedTextColor_ = 0;
};

// A button with a selected state; options of one group exclude each other.
class COptionControl : public CButtonControl {
 public:
  std::wstring GetClass() const override { return L"Option"; }

  bool IsSelected() const { return selected_; }
  // With announce, a change raises "selectchanged".
  void Selected(bool selected, bool announce = true);
  const std::wstring& GetGroup() const { return group_; }

  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  // "click", then the selection change: a grouped option selects itself,
  // an ungrouped one toggles.
  bool Activate() override;

 protected:
  void PaintBkColor(CPaintContext& ctx, const RECT& clip) override;
  uint32_t CurrentTextColor() const override;
  const std::wstring& CurrentImage() const override;

  bool selected_ = false;
  std::wstring group_;
  std::wstring selectedImage_, selectedHotImage_;
  uint32_t selectedTextColor_ = 0, selectedBkColor_ = 0;
};

// An option without a group. Inside a caption band it drags like a label.
class CCheckBoxControl : public COptionControl {
 public:
  CCheckBoxControl();
  std::wstring GetClass() const override { return L"CheckBox"; }
  bool TakesCaptionClicks() const override { return false; }
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
};

}  // namespace SkinUI
