#pragma once
// Notifications raised by controls, the interfaces that receive them, and
// the message filter and builder callback a skinned window implements.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace SkinUI {

class CControl;

struct TNotify {
  std::wstring type;  // "click", "selectchanged", "tabselect", "timer", ...
  CControl* sender = nullptr;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  DWORD timestamp = 0;
  POINT ptMouse{0, 0};
};

class INotifyListener {
 public:
  virtual ~INotifyListener() = default;
  virtual void Notify(TNotify& msg) = 0;
};

// Sees every message of its window before the toolkit does; handled = true
// stops it there.
class IMessageFilter {
 public:
  virtual ~IMessageFilter() = default;
  virtual LRESULT MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) = 0;
};

// Asked by the skin builder for every element name it does not know itself;
// a null result leaves the element (and what it contains) out.
class ISkinBuilderCallback {
 public:
  virtual ~ISkinBuilderCallback() = default;
  virtual CControl* CreateControl(const std::wstring& elementName) = 0;
};

// Dispatches notifications to handlers registered by type, optionally for
// one sender name only.
class CNotifyRouter {
 public:
  using Handler = std::function<void(TNotify&)>;

  void Route(const std::wstring& type, Handler handler);
  void Route(const std::wstring& type, const std::wstring& senderName, Handler handler);
  // Calls every matching handler in registration order; true if any matched.
  bool Dispatch(TNotify& msg);

 private:
  struct Entry {
    std::wstring type;
    std::wstring sender;  // empty: any sender
    Handler handler;
  };
  std::vector<Entry> routes_;
};

}  // namespace SkinUI
