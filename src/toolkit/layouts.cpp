#include "toolkit/layouts.h"

#include <algorithm>

#include "toolkit/paint_manager.h"

namespace SkinUI {

bool CContainer::Add(CControl* control) {
  if (control == nullptr) return false;
  items_.emplace_back(control);
  if (manager_ != nullptr) control->SetManager(manager_, this, true);
  NeedUpdate();
  return true;
}

bool CContainer::Remove(CControl* control) {
  auto it = std::find_if(items_.begin(), items_.end(), [&](const auto& p) { return p.get() == control; });
  if (it == items_.end()) return false;
  Invalidate();
  items_.erase(it);
  NeedUpdate();
  return true;
}

CControl* CContainer::GetItemAt(int index) const {
  if (index < 0 || index >= GetCount()) return nullptr;
  return items_[static_cast<size_t>(index)].get();
}

int CContainer::GetItemIndex(const CControl* control) const {
  for (size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].get() == control) return static_cast<int>(i);
  }
  return -1;
}

bool CContainer::IsChildShown(const CControl* child) const { return child->IsVisible(); }

void CContainer::SetManager(CPaintManager* manager, CControl* parent, bool init) {
  CControl::SetManager(manager, parent, init);
  for (auto& item : items_) item->SetManager(manager, this, init);
}

CControl* CContainer::FindAt(POINT pt) {
  if (!visible_ || !PtInRect(&pos_, pt)) return nullptr;
  // Later children are painted on top, so they are hit first.
  for (auto it = items_.rbegin(); it != items_.rend(); ++it) {
    if (!IsChildShown(it->get())) continue;
    if (CControl* hit = (*it)->FindAt(pt)) return hit;
  }
  return mouseEnabled_ ? this : nullptr;
}

CControl* CContainer::FindByName(const std::wstring& name) {
  if (name_ == name) return this;
  for (auto& item : items_) {
    if (CControl* found = item->FindByName(name)) return found;
  }
  return nullptr;
}

void CContainer::ClearPos() {
  CControl::ClearPos();
  for (auto& item : items_) item->ClearPos();
}

void CContainer::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (AttrIs(name, L"inset")) {
    inset_ = ParseRect(value);
    NeedUpdate();
  } else if (AttrIs(name, L"childpadding")) {
    childPadding_ = ParseInt(value);
    NeedUpdate();
  } else {
    CControl::SetAttribute(name, value);
  }
}

void CContainer::DoPaint(CPaintContext& ctx, const RECT& clip) {
  const RECT area = Intersect(clip, pos_);
  CControl::DoPaint(ctx, area);
  // Children may reach past their container (a 32-high button in a 30-high
  // row): they are clipped to the area being painted, not to the container,
  // so their frames stay whole.
  for (auto& item : items_) {
    if (!IsChildShown(item.get())) continue;
    item->DoPaint(ctx, clip);
  }
}

RECT CContainer::InnerRect(const RECT& rc) const {
  return RECT{rc.left + inset_.left, rc.top + inset_.top, rc.right - inset_.right, rc.bottom - inset_.bottom};
}

void CContainer::StackChildren(const RECT& rc, bool vertical) {
  const RECT inner = InnerRect(rc);
  const long mainSpace = vertical ? inner.bottom - inner.top : inner.right - inner.left;
  const long crossSpace = vertical ? inner.right - inner.left : inner.bottom - inner.top;
  const SIZE available{inner.right - inner.left, inner.bottom - inner.top};

  struct Slot {
    CControl* control;
    SIZE size;
  };
  std::vector<Slot> slots;
  long fixed = 0;
  int flexible = 0;
  for (auto& item : items_) {
    if (!IsChildShown(item.get())) {
      item->ClearPos();
      continue;
    }
    const SIZE sz = item->EstimateSize(available);
    const RECT& p = item->GetPadding();
    const long mainFixed = vertical ? sz.cy : sz.cx;
    if (mainFixed <= 0) {
      ++flexible;
    } else {
      fixed += mainFixed;
    }
    fixed += vertical ? p.top + p.bottom : p.left + p.right;
    slots.push_back({item.get(), sz});
  }
  if (slots.size() > 1) fixed += childPadding_ * static_cast<long>(slots.size() - 1);

  const long rest = std::max(0L, mainSpace - fixed);
  const long share = flexible > 0 ? rest / flexible : 0;
  int flexSeen = 0;
  long cursor = vertical ? inner.top : inner.left;
  for (const Slot& slot : slots) {
    const RECT& p = slot.control->GetPadding();
    long main = vertical ? slot.size.cy : slot.size.cx;
    if (main <= 0) {
      ++flexSeen;
      main = flexSeen == flexible ? rest - share * (flexible - 1) : share;
    }
    const long padBefore = vertical ? p.top : p.left;
    const long padAfter = vertical ? p.bottom : p.right;
    const long crossPadBefore = vertical ? p.left : p.top;
    const long crossPadAfter = vertical ? p.right : p.bottom;
    const long crossRoom = crossSpace - crossPadBefore - crossPadAfter;
    long cross = vertical ? slot.size.cx : slot.size.cy;
    long crossStart = (vertical ? inner.left : inner.top) + crossPadBefore;
    if (cross <= 0) {
      cross = std::max(0L, crossRoom);
    } else if (!vertical) {
      crossStart += (crossRoom - cross) / 2;
    }
    const long start = cursor + padBefore;
    RECT r = vertical ? RECT{crossStart, start, crossStart + cross, start + main}
                      : RECT{start, crossStart, start + main, crossStart + cross};
    slot.control->SetPos(r);
    cursor = start + main + padAfter + childPadding_;
  }
}

void CVerticalLayout::SetPos(const RECT& rc) {
  CControl::SetPos(rc);
  StackChildren(pos_, true);
}

void CHorizontalLayout::SetPos(const RECT& rc) {
  CControl::SetPos(rc);
  StackChildren(pos_, false);
}

bool CTabLayout::SelectItem(int index, bool announce) {
  if (index < 0 || index >= GetCount()) return false;
  if (index == curSel_) return true;
  const int old = curSel_;
  curSel_ = index;
  if (manager_ != nullptr) {
    manager_->ForgetInput(GetItemAt(old));
    NeedUpdate();
    Invalidate();
    if (announce) manager_->SendNotify(this, L"tabselect", static_cast<WPARAM>(curSel_), static_cast<LPARAM>(old));
  }
  return true;
}

bool CTabLayout::IsChildShown(const CControl* child) const {
  return child->IsVisible() && GetItemIndex(child) == curSel_;
}

void CTabLayout::SetPos(const RECT& rc) {
  CControl::SetPos(rc);
  const RECT inner = InnerRect(pos_);
  for (int i = 0; i < GetCount(); ++i) {
    CControl* child = GetItemAt(i);
    if (!IsChildShown(child)) {
      child->ClearPos();
      continue;
    }
    const RECT& p = child->GetPadding();
    RECT r{inner.left + p.left, inner.top + p.top, inner.right - p.right, inner.bottom - p.bottom};
    const SIZE sz = child->EstimateSize(SIZE{inner.right - inner.left, inner.bottom - inner.top});
    if (sz.cx > 0) r.right = r.left + sz.cx;
    if (sz.cy > 0) r.bottom = r.top + sz.cy;
    child->SetPos(r);
  }
}

void CTabLayout::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (AttrIs(name, L"selectedid")) {
    initialSel_ = ParseInt(value);
    curSel_ = initialSel_;
  } else {
    CContainer::SetAttribute(name, value);
  }
}

void CTabLayout::DoInit() {
  if (curSel_ < 0 || curSel_ >= GetCount()) curSel_ = 0;
}

}  // namespace SkinUI
