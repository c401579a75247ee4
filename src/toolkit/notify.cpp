#include "toolkit/notify.h"

#include "toolkit/control.h"

namespace SkinUI {

void CNotifyRouter::Route(const std::wstring& type, Handler handler) {
  routes_.push_back(Entry{type, std::wstring(), std::move(handler)});
}

void CNotifyRouter::Route(const std::wstring& type, const std::wstring& senderName, Handler handler) {
  routes_.push_back(Entry{type, senderName, std::move(handler)});
}

bool CNotifyRouter::Dispatch(TNotify& msg) {
  bool matched = false;
  // By index: a handler may add routes.
  for (size_t i = 0; i < routes_.size(); ++i) {
    if (routes_[i].type != msg.type) continue;
    if (!routes_[i].sender.empty() && (msg.sender == nullptr || msg.sender->GetName() != routes_[i].sender)) continue;
    matched = true;
    Handler h = routes_[i].handler;
    h(msg);
  }
  return matched;
}

}  // namespace SkinUI
