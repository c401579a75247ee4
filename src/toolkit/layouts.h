#pragma once
// Containers: vertical and horizontal stacks and the tab layout.
//
// Stacks give every child with a fixed size that size (plus its padding)
// first; the children without one share what is left equally, the last of
// them taking the remainder of the division. Across the stack, a child
// spans the whole container unless it has a fixed size: in a vertical
// stack it then sits at the left edge, in a horizontal stack it is centred
// vertically (rows of buttons and labels line up on their middles).

#include <memory>
#include <vector>

#include "toolkit/control.h"

namespace SkinUI {

class CContainer : public CControl {
 public:
  std::wstring GetClass() const override { return L"Container"; }
  CContainer* AsContainer() override { return this; }

  // Takes ownership; false (and the control deleted) for null.
  bool Add(CControl* control);
  bool Remove(CControl* control);
  int GetCount() const { return static_cast<int>(items_.size()); }
  CControl* GetItemAt(int index) const;
  int GetItemIndex(const CControl* control) const;
  // Whether the container lays out and paints this child.
  virtual bool IsChildShown(const CControl* child) const;

  void SetManager(CPaintManager* manager, CControl* parent, bool init) override;
  CControl* FindAt(POINT pt) override;
  CControl* FindByName(const std::wstring& name) override;
  void ClearPos() override;
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void DoPaint(CPaintContext& ctx, const RECT& clip) override;

 protected:
  RECT InnerRect(const RECT& rc) const;
  void StackChildren(const RECT& rc, bool vertical);

  std::vector<std::unique_ptr<CControl>> items_;
  RECT inset_{0, 0, 0, 0};
  int childPadding_ = 0;
};

class CVerticalLayout : public CContainer {
 public:
  std::wstring GetClass() const override { return L"VerticalLayout"; }
  void SetPos(const RECT& rc) override;
};

class CHorizontalLayout : public CContainer {
 public:
  std::wstring GetClass() const override { return L"HorizontalLayout"; }
  void SetPos(const RECT& rc) override;
};

// Shows exactly one child, the first one at creation.
class CTabLayout : public CContainer {
 public:
  std::wstring GetClass() const override { return L"TabLayout"; }
  int GetCurSel() const { return curSel_; }
  // Selects a child by index. With announce, a change raises "tabselect"
  // (wParam the new index, lParam the previous one); selecting the index
  // already shown changes nothing and raises nothing. False for an index
  // outside the children.
  bool SelectItem(int index, bool announce = true);

  bool IsChildShown(const CControl* child) const override;
  void SetPos(const RECT& rc) override;
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void DoInit() override;

 private:
  int curSel_ = 0;
  int initialSel_ = 0;
};

}  // namespace SkinUI
