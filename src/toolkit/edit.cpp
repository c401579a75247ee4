#include "toolkit/edit.h"

#include "toolkit/paint_manager.h"

namespace SkinUI {
namespace {
inline COLORREF ToColorRef(uint32_t argb) { return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF); }
}  // namespace

CEditControl::CEditControl() { textPadding_ = RECT{4, 3, 4, 3}; }

CEditControl::~CEditControl() {
  if (native_ != nullptr && ::IsWindow(native_)) ::DestroyWindow(native_);
  if (brush_ != nullptr) ::DeleteObject(brush_);
}

std::wstring CEditControl::GetText() const {
  if (native_ == nullptr || !::IsWindow(native_)) return text_;
  const int len = ::GetWindowTextLengthW(native_);
  std::wstring text(static_cast<size_t>(len) + 1, L'\0');
  const int got = ::GetWindowTextW(native_, text.data(), len + 1);
  text.resize(static_cast<size_t>(got > 0 ? got : 0));
  return text;
}

void CEditControl::SetText(const std::wstring& text) {
  text_ = text;
  if (native_ != nullptr) {
    syncingText_ = true;
    ::SetWindowTextW(native_, text.c_str());
    syncingText_ = false;
  }
  Invalidate();
}

void CEditControl::SetEnabled(bool enabled) {
  CLabelControl::SetEnabled(enabled);
  if (native_ != nullptr) ::EnableWindow(native_, enabled);
}

void CEditControl::SetFocus() {
  CLabelControl::SetFocus();
  if (native_ != nullptr && ::IsWindowVisible(native_)) ::SetFocus(native_);
}

void CEditControl::SetReadOnly(bool readOnly) {
  readOnly_ = readOnly;
  if (native_ != nullptr) ::SendMessageW(native_, EM_SETREADONLY, readOnly, 0);
}

void CEditControl::SetMaxChar(int maxChar) {
  maxChar_ = maxChar < 0 ? 0 : maxChar;
  if (native_ != nullptr) ::SendMessageW(native_, EM_SETLIMITTEXT, static_cast<WPARAM>(maxChar_), 0);
}

void CEditControl::SetSel(int start, int end) {
  if (native_ != nullptr) ::SendMessageW(native_, EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end));
}

void CEditControl::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (AttrIs(name, L"readonly")) {
    SetReadOnly(ParseFlag(value));
  } else if (AttrIs(name, L"maxchar")) {
    SetMaxChar(ParseInt(value));
  } else {
    CLabelControl::SetAttribute(name, value);
  }
}

void CEditControl::DoInit() {
  HWND parent = manager_ != nullptr ? manager_->GetPaintWindow() : nullptr;
  if (parent == nullptr || native_ != nullptr) return;
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;
  if (readOnly_) style |= ES_READONLY;
  native_ = ::CreateWindowExW(0, L"EDIT", text_.c_str(), style, 0, 0, 0, 0, parent, nullptr,
                              CPaintManager::GetInstance(), nullptr);
  if (native_ == nullptr) return;
  ::SendMessageW(native_, WM_SETFONT, reinterpret_cast<WPARAM>(manager_->GetFont(font_)), FALSE);
  ::SendMessageW(native_, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
  if (maxChar_ > 0) ::SendMessageW(native_, EM_SETLIMITTEXT, static_cast<WPARAM>(maxChar_), 0);
  ::EnableWindow(native_, enabled_);
}

RECT CEditControl::NativeRect() const {
  RECT rc = TextRect();
  if (manager_ == nullptr) return rc;
  // A single-line field draws its text at the top; centring a field one
  // line high gives the vertical centring of a label.
  const int line = manager_->GetFontInfo(font_).metrics.tmHeight;
  const int room = rc.bottom - rc.top;
  if (line > 0 && line < room) {
    rc.top += (room - line) / 2;
    rc.bottom = rc.top + line;
  }
  return rc;
}

void CEditControl::SyncNativeWindow() {
  if (native_ == nullptr) return;
  const bool shown = IsVisibleInTree() && !IsEmpty(pos_);
  if (shown) {
    const RECT rc = NativeRect();
    ::SetWindowPos(native_, nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  } else {
    if (::GetFocus() == native_ && manager_ != nullptr) ::SetFocus(manager_->GetPaintWindow());
    ::ShowWindow(native_, SW_HIDE);
  }
}

void CEditControl::DoPaint(CPaintContext& ctx, const RECT& clip) {
  const RECT area = Intersect(clip, pos_);
  if (IsEmpty(area)) return;
  PaintBkColor(ctx, area);
  PaintBkImage(ctx, area);
  // The native field's background is whatever the frame shows at its
  // middle, so the field blends into any background image.
  const RECT field = NativeRect();
  const POINT mid{(field.left + field.right) / 2, (field.top + field.bottom) / 2};
  if (PtInRect(&area, mid) && mid.x >= 0 && mid.y >= 0 && mid.x < ctx.surface.width && mid.y < ctx.surface.height) {
    UpdateBrush((bkColor_ >> 24) != 0 ? bkColor_ : (Unpremultiply(ctx.surface.At(mid.x, mid.y)) | 0xFF000000));
  }
  PaintText(ctx, area);
  PaintBorder(ctx, area);
}

void CEditControl::UpdateBrush(uint32_t argb) {
  if (brush_ != nullptr && argb == fieldColor_) return;
  fieldColor_ = argb;
  if (brush_ != nullptr) ::DeleteObject(brush_);
  brush_ = ::CreateSolidBrush(ToColorRef(argb));
  if (native_ != nullptr) ::InvalidateRect(native_, nullptr, TRUE);
}

void CEditControl::OnNativeCommand(WORD code) {
  if (manager_ == nullptr) return;
  switch (code) {
    case EN_CHANGE:
      text_ = GetText();
      if (!syncingText_) manager_->SendNotify(this, L"textchanged");
      break;
    case EN_SETFOCUS:
      if (manager_->GetFocus() != this) manager_->SetFocus(this);
      break;
    default:
      break;
  }
}

HBRUSH CEditControl::OnNativeColor(HDC dc) {
  if (brush_ == nullptr) UpdateBrush(fieldColor_);
  ::SetTextColor(dc, ToColorRef(enabled_ || disabledTextColor_ == 0 ? textColor_ : disabledTextColor_));
  ::SetBkColor(dc, ToColorRef(fieldColor_));
  return brush_;
}

}  // namespace SkinUI
