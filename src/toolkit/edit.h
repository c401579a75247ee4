#pragma once
// A single-line text field. The typing, caret, selection and clipboard of
// the field are those of a native edit window laid over the control; the
// control paints the frame (background colour and image) around it and
// the same text underneath, so pictures of the back buffer show the field
// as the screen does.

#include <windows.h>

#include "toolkit/label.h"

namespace SkinUI {

class CEditControl : public CLabelControl {
 public:
  CEditControl();
  ~CEditControl() override;
  std::wstring GetClass() const override { return L"Edit"; }

  std::wstring GetText() const override;
  void SetText(const std::wstring& text) override;
  void SetEnabled(bool enabled) override;
  void SetFocus() override;
  bool IsReadOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly);
  int GetMaxChar() const { return maxChar_; }
  void SetMaxChar(int maxChar);
  // Selects characters [start, end) of the field (-1 as end: to the end).
  void SetSel(int start, int end);
  HWND GetNativeWindow() const { return native_; }

  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void DoInit() override;
  void SyncNativeWindow() override;
  void DoPaint(CPaintContext& ctx, const RECT& clip) override;

  // From the window: notifications and colour requests of the native field.
  void OnNativeCommand(WORD code);
  HBRUSH OnNativeColor(HDC dc);
  // Where the native field lies for a control rectangle.
  RECT NativeRect() const;

 private:
  void UpdateBrush(uint32_t argb);

  HWND native_ = nullptr;
  HBRUSH brush_ = nullptr;
  uint32_t fieldColor_ = 0xFFFFFFFF;  // behind the native field's text
  bool readOnly_ = false;
  int maxChar_ = 0;  // 0: the native field's own limit
  bool syncingText_ = false;
};

}  // namespace SkinUI
