#include "toolkit/paint_manager.h"

#include <windowsx.h>

#include <algorithm>
#include <atomic>
#include <cwchar>

#include "toolkit/edit.h"
#include "toolkit/layouts.h"
#include "utils/log.h"

namespace SkinUI {
namespace {

HINSTANCE g_instance = nullptr;
SkinResourceKind g_resourceKind = SkinResourceKind::Packed;
std::wstring g_resourceFolder;
// Managers of the UI thread's windows, for the modal loops' pre-translation.
std::vector<CPaintManager*> g_managers;

// Characters that must not start a line.
bool IsClosingPunctuation(wchar_t c) {
  static const wchar_t kClosing[] = L"，。、；：？！）》」』】〕〉”’,.;:?!)]}%";
  return c != 0 && std::wcschr(kClosing, c) != nullptr;
}

bool IsDescendantOrSelf(const CControl* c, const CControl* ancestor) {
  for (; c != nullptr; c = c->GetParent()) {
    if (c == ancestor) return true;
  }
  return false;
}

HFONT CreateSkinFont(const std::wstring& face, int size, bool bold, bool underline, bool italic) {
  LOGFONTW lf{};
  lf.lfHeight = -size;
  lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  lf.lfUnderline = underline ? TRUE : FALSE;
  lf.lfItalic = italic ? TRUE : FALSE;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  // Grey-scale smoothing: the text is drawn as a coverage mask, which
  // sub-pixel smoothing would tint.
  lf.lfQuality = ANTIALIASED_QUALITY;
  wcsncpy_s(lf.lfFaceName, face.c_str(), _TRUNCATE);
  return ::CreateFontIndirectW(&lf);
}

}  // namespace

void CPaintManager::SetInstance(HINSTANCE instance) { g_instance = instance; }

HINSTANCE CPaintManager::GetInstance() { return g_instance != nullptr ? g_instance : ::GetModuleHandleW(nullptr); }

void CPaintManager::SetResourceKind(SkinResourceKind kind) { g_resourceKind = kind; }
SkinResourceKind CPaintManager::GetResourceKind() { return g_resourceKind; }
void CPaintManager::SetResourceFolder(const std::wstring& folder) {
  g_resourceFolder = folder;
  if (!g_resourceFolder.empty() && g_resourceFolder.back() != L'\\') g_resourceFolder += L'\\';
}

std::wstring CPaintManager::GetResourceFolder() {
  if (!g_resourceFolder.empty()) return g_resourceFolder;
  wchar_t path[MAX_PATH] = {};
  const DWORD n = ::GetModuleFileNameW(GetInstance(), path, MAX_PATH);
  std::wstring folder(path, n < MAX_PATH ? n : 0);
  const size_t slash = folder.find_last_of(L"\\/");
  folder = slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash + 1);
  return folder;
}

bool CPaintManager::TranslateMessage(const MSG* msg) {
  if (msg == nullptr || msg->hwnd == nullptr) return false;
  const std::vector<CPaintManager*> managers = g_managers;
  for (CPaintManager* m : managers) {
    if (std::find(g_managers.begin(), g_managers.end(), m) == g_managers.end()) continue;
    HWND w = m->window_;
    if (w == nullptr || (msg->hwnd != w && !::IsChild(w, msg->hwnd))) continue;
    LRESULT result = 0;
    if (m->PreMessageHandler(msg->message, msg->wParam, msg->lParam, result)) return true;
  }
  return false;
}

CPaintManager::CPaintManager() { measureDC_ = ::CreateCompatibleDC(nullptr); }

CPaintManager::~CPaintManager() {
  g_managers.erase(std::remove(g_managers.begin(), g_managers.end(), this), g_managers.end());
  dispatchDepth_ = 0;
  ReleaseTreeNow();
  ReleaseBackBuffer();
  if (textDC_ != nullptr) {
    ::SelectObject(textDC_, oldTextBitmap_);
    ::DeleteObject(textBitmap_);
    ::DeleteDC(textDC_);
  }
  for (auto& f : fonts_) {
    if (f.second.handle != nullptr) ::DeleteObject(f.second.handle);
  }
  if (defaultFont_.handle != nullptr) ::DeleteObject(defaultFont_.handle);
  if (measureDC_ != nullptr) ::DeleteDC(measureDC_);
}

void CPaintManager::Init(HWND window) {
  window_ = window;
  postTarget_.store(window);
  if (std::find(g_managers.begin(), g_managers.end(), this) == g_managers.end()) g_managers.push_back(this);
}

void CPaintManager::Detach() {
  g_managers.erase(std::remove(g_managers.begin(), g_managers.end(), this), g_managers.end());
  {
    std::lock_guard<std::mutex> lock(queueMutex_);
    postTarget_.store(nullptr);
    queue_.clear();
    queuePosted_ = false;
  }
  delivering_.clear();
  timers_.clear();  // the window's timers went with it
  window_ = nullptr;
  ReleaseTree();
}

void CPaintManager::AttachRoot(CControl* root) {
  ReleaseTreeNow();
  root_.reset(root);
  if (root_) root_->SetManager(this, nullptr, true);
  NeedUpdate();
}

CControl* CPaintManager::FindControl(const std::wstring& name) const {
  if (!root_ || name.empty()) return nullptr;
  return root_->FindByName(name);
}

CControl* CPaintManager::FindControlAt(POINT pt) const { return root_ ? root_->FindAt(pt) : nullptr; }

void CPaintManager::SetInitSize(int cx, int cy) {
  initSize_ = SIZE{cx, cy};
  if (window_ != nullptr && cx > 0 && cy > 0) {
    ::SetWindowPos(window_, nullptr, 0, 0, cx, cy, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
  }
}

void CPaintManager::SetRoundCorner(SIZE corner) {
  roundCorner_ = corner;
  ApplyRegion();
}

void CPaintManager::ApplyRegion() {
  if (window_ == nullptr || (roundCorner_.cx <= 0 && roundCorner_.cy <= 0)) return;
  if (::IsIconic(window_) || ::IsZoomed(window_)) return;
  RECT rc;
  ::GetWindowRect(window_, &rc);
  HRGN region =
      ::CreateRoundRectRgn(0, 0, rc.right - rc.left + 1, rc.bottom - rc.top + 1, roundCorner_.cx, roundCorner_.cy);
  // The window owns the region from here on.
  if (region != nullptr && !::SetWindowRgn(window_, region, TRUE)) ::DeleteObject(region);
}

void CPaintManager::CNamedValues::Set(const std::wstring& name, const std::wstring& value) {
  for (auto& entry : values_) {
    if (_wcsicmp(entry.first.c_str(), name.c_str()) == 0) {
      entry.second = value;
      return;
    }
  }
  values_.emplace_back(name, value);
}

const std::wstring* CPaintManager::CNamedValues::Find(const std::wstring& name) const {
  for (const auto& entry : values_) {
    if (_wcsicmp(entry.first.c_str(), name.c_str()) == 0) return &entry.second;
  }
  return nullptr;
}

void CPaintManager::AddWindowAttribute(const std::wstring& name, const std::wstring& value) {
  windowAttributes_.Set(name, value);
}

std::wstring CPaintManager::GetWindowAttribute(const std::wstring& name) const {
  const std::wstring* value = windowAttributes_.Find(name);
  return value ? *value : std::wstring();
}

bool CPaintManager::HasWindowAttribute(const std::wstring& name) const {
  return windowAttributes_.Find(name) != nullptr;
}

void CPaintManager::AddFont(int id, const std::wstring& face, int size, bool bold, bool underline, bool italic,
                            bool isDefault) {
  FontInfo info;
  info.face = face.empty() ? std::wstring(L"微软雅黑") : face;
  info.size = size > 0 ? size : 12;
  info.bold = bold;
  info.underline = underline;
  info.italic = italic;
  info.handle = CreateSkinFont(info.face, info.size, bold, underline, italic);
  if (info.handle == nullptr) return;
  HGDIOBJ old = ::SelectObject(measureDC_, info.handle);
  ::GetTextMetricsW(measureDC_, &info.metrics);
  ::SelectObject(measureDC_, old);
  auto it = fonts_.find(id);
  if (it != fonts_.end()) {
    ::DeleteObject(it->second.handle);
    it->second = info;
  } else {
    fonts_.emplace(id, info);
  }
  if (isDefault) {
    defaultFontId_ = id;
    hasSkinDefaultFont_ = true;
  }
}

const FontInfo& CPaintManager::GetFontInfo(int id) const {
  auto it = fonts_.find(id);
  if (it != fonts_.end()) return it->second;
  if (hasSkinDefaultFont_) {
    it = fonts_.find(defaultFontId_);
    if (it != fonts_.end()) return it->second;
  }
  if (defaultFont_.handle == nullptr) {
    FontInfo& f = defaultFont_;
    f.face = L"微软雅黑";
    f.size = 12;
    f.handle = CreateSkinFont(f.face, f.size, false, false, false);
    HGDIOBJ old = ::SelectObject(measureDC_, f.handle);
    ::GetTextMetricsW(measureDC_, &f.metrics);
    ::SelectObject(measureDC_, old);
  }
  return defaultFont_;
}

HFONT CPaintManager::GetFont(int id) const { return GetFontInfo(id).handle; }

SIZE CPaintManager::MeasureText(int fontId, const std::wstring& text) const {
  const FontInfo& font = GetFontInfo(fontId);
  SIZE size{0, font.metrics.tmHeight};
  if (text.empty()) return size;
  HGDIOBJ old = ::SelectObject(measureDC_, font.handle);
  ::GetTextExtentPoint32W(measureDC_, text.c_str(), static_cast<int>(text.size()), &size);
  ::SelectObject(measureDC_, old);
  return size;
}

std::vector<std::wstring> CPaintManager::BreakLines(int fontId, const std::wstring& text, int width) const {
  std::vector<std::wstring> lines;
  const FontInfo& font = GetFontInfo(fontId);
  HGDIOBJ old = ::SelectObject(measureDC_, font.handle);
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    std::wstring para = text.substr(start, end - start);
    if (!para.empty() && para.back() == L'\r') para.pop_back();
    if (para.empty()) lines.emplace_back();
    while (!para.empty()) {
      int fit = 0;
      SIZE extent{};
      ::GetTextExtentExPointW(measureDC_, para.c_str(), static_cast<int>(para.size()), std::max(width, 0), &fit,
                              nullptr, &extent);
      size_t cut = static_cast<size_t>(std::max(fit, 0));
      size_t next = cut;
      if (cut < para.size()) {
        // Prefer a break at a blank; otherwise break between characters
        // (as Chinese text does), but never before closing punctuation and
        // never inside a surrogate pair.
        const size_t blank = para.find_last_of(L' ', cut);
        if (blank != std::wstring::npos && blank > 0) {
          cut = blank;
          next = blank + 1;
        } else {
          while (cut > 1 && IsClosingPunctuation(para[cut])) --cut;
          if (cut > 0 && cut < para.size() && IS_LOW_SURROGATE(para[cut])) --cut;
          if (cut == 0) cut = (para.size() > 1 && IS_HIGH_SURROGATE(para[0])) ? 2 : 1;
          next = cut;
        }
      }
      lines.push_back(para.substr(0, cut));
      para.erase(0, next);
    }
    if (end == text.size()) break;
    start = end + 1;
  }
  ::SelectObject(measureDC_, old);
  return lines;
}

bool CPaintManager::EnsureTextScratch(int width, int height) {
  if (textDC_ != nullptr && width <= textWidth_ && height <= textHeight_) return true;
  const int w = std::max(width, textWidth_), h = std::max(height, textHeight_);
  if (textDC_ == nullptr) textDC_ = ::CreateCompatibleDC(nullptr);
  if (textDC_ == nullptr) return false;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bmp = ::CreateDIBSection(textDC_, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bmp == nullptr) return false;
  HGDIOBJ prev = ::SelectObject(textDC_, bmp);
  if (textBitmap_ != nullptr) {
    ::DeleteObject(textBitmap_);
  } else {
    oldTextBitmap_ = prev;
  }
  textBitmap_ = bmp;
  textBits_ = static_cast<uint32_t*>(bits);
  textWidth_ = w;
  textHeight_ = h;
  return true;
}

void CPaintManager::DrawString(CSurface& surface, const RECT& clip, const std::wstring& text, const RECT& rc,
                               int fontId, HAlign halign, VAlign valign, bool multiline, bool endEllipsis,
                               uint32_t argb) {
  if (text.empty() || (argb >> 24) == 0) return;
  const RECT area = Intersect(Intersect(clip, rc), RECT{0, 0, surface.width, surface.height});
  if (IsEmpty(area)) return;
  const int w = area.right - area.left, h = area.bottom - area.top;
  if (!EnsureTextScratch(w, h)) return;
  for (int y = 0; y < h; ++y) std::fill_n(textBits_ + static_cast<size_t>(y) * textWidth_, w, 0u);

  const FontInfo& font = GetFontInfo(fontId);
  HGDIOBJ oldFont = ::SelectObject(textDC_, font.handle);
  ::SetTextColor(textDC_, RGB(255, 255, 255));
  ::SetBkMode(textDC_, TRANSPARENT);
  POINT oldOrg{};
  ::SetViewportOrgEx(textDC_, -area.left, -area.top, &oldOrg);
  const UINT hflag = halign == HAlign::Center ? DT_CENTER : (halign == HAlign::Right ? DT_RIGHT : DT_LEFT);
  if (!multiline) {
    const UINT vflag = valign == VAlign::Top ? DT_TOP : (valign == VAlign::Bottom ? DT_BOTTOM : DT_VCENTER);
    RECT r = rc;
    ::DrawTextW(textDC_, text.c_str(), static_cast<int>(text.size()), &r,
                DT_SINGLELINE | DT_NOPREFIX | hflag | vflag | (endEllipsis ? DT_END_ELLIPSIS : 0));
  } else {
    const std::vector<std::wstring> lines = BreakLines(fontId, text, rc.right - rc.left);
    const int lineHeight = font.metrics.tmHeight;
    const int total = lineHeight * static_cast<int>(lines.size());
    int y = rc.top;
    if (valign == VAlign::Center) y = rc.top + (rc.bottom - rc.top - total) / 2;
    if (valign == VAlign::Bottom) y = rc.bottom - total;
    for (const std::wstring& line : lines) {
      RECT r{rc.left, y, rc.right, y + lineHeight};
      if (!line.empty()) {
        ::DrawTextW(textDC_, line.c_str(), static_cast<int>(line.size()), &r,
                    DT_SINGLELINE | DT_NOPREFIX | hflag | DT_TOP);
      }
      y += lineHeight;
    }
  }
  ::SetViewportOrgEx(textDC_, oldOrg.x, oldOrg.y, nullptr);
  ::SelectObject(textDC_, oldFont);
  ::GdiFlush();

  coverage_.resize(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    const uint32_t* src = textBits_ + static_cast<size_t>(y) * textWidth_;
    uint8_t* dst = coverage_.data() + static_cast<size_t>(y) * w;
    for (int x = 0; x < w; ++x) {
      const uint32_t p = src[x];
      dst[x] = static_cast<uint8_t>(std::max({(p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF}));
    }
  }
  Canvas::BlendMask(surface, coverage_.data(), w, area, argb);
}

void CPaintManager::AddDefaultAttributes(const std::wstring& elementName, const std::wstring& attributes) {
  defaultAttributes_.Set(elementName, attributes);
}

std::wstring CPaintManager::GetDefaultAttributes(const std::wstring& elementName) const {
  const std::wstring* value = defaultAttributes_.Find(elementName);
  return value ? *value : std::wstring();
}

std::shared_ptr<const CImage> CPaintManager::GetImage(const std::wstring& file, bool hasMask, uint32_t mask) {
  return images_.Get(file, hasMask, mask);
}

void CPaintManager::AddNotifier(INotifyListener* listener) {
  if (listener != nullptr && std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end()) {
    listeners_.push_back(listener);
  }
}

void CPaintManager::RemoveNotifier(INotifyListener* listener) {
  listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

void CPaintManager::SendNotify(CControl* sender, const std::wstring& type, WPARAM wParam, LPARAM lParam, bool async) {
  TNotify msg;
  msg.type = type;
  msg.sender = sender;
  msg.wParam = wParam;
  msg.lParam = lParam;
  msg.timestamp = ::GetTickCount();
  if (!async) {
    if (window_ != nullptr) {
      ::GetCursorPos(&msg.ptMouse);
      ::ScreenToClient(window_, &msg.ptMouse);
    }
    DeliverNotify(msg);
    return;
  }
  // From any thread: append, and post one message unless one is pending.
  // Once the window is gone nothing would deliver them: they are dropped.
  bool post = false;
  {
    std::lock_guard<std::mutex> lock(queueMutex_);
    if (postTarget_.load() == nullptr) return;
    queue_.push_back(std::move(msg));
    if (!queuePosted_) queuePosted_ = post = true;
  }
  if (!post) return;
  HWND target = postTarget_.load();
  if (target != nullptr && ::PostMessageW(target, WM_SKIN_QUEUED_NOTIFY, 0, 0)) {
    queuedPosts_.fetch_add(1);
  } else {
    std::lock_guard<std::mutex> lock(queueMutex_);
    queuePosted_ = false;
  }
}

size_t CPaintManager::PendingNotifications() {
  std::lock_guard<std::mutex> lock(queueMutex_);
  return queue_.size();
}

void CPaintManager::DeliverQueued() {
  std::vector<TNotify> batch;
  {
    std::lock_guard<std::mutex> lock(queueMutex_);
    batch.swap(queue_);
    queuePosted_ = false;
  }
  for (TNotify& m : batch) delivering_.push_back(std::move(m));
  // A handler may run a modal loop that drains again: the outer loop keeps
  // delivering, so the order of the queue holds.
  if (delivering_active_) return;
  delivering_active_ = true;
  while (!delivering_.empty()) {
    TNotify m = std::move(delivering_.front());
    delivering_.pop_front();
    if (!m.type.empty()) DeliverNotify(m);
  }
  delivering_active_ = false;
}

void CPaintManager::DeliverNotify(TNotify& msg) {
  const std::vector<INotifyListener*> listeners = listeners_;
  for (INotifyListener* l : listeners) {
    if (std::find(listeners_.begin(), listeners_.end(), l) == listeners_.end()) continue;
    l->Notify(msg);
  }
}

void CPaintManager::AddPreMessageFilter(IMessageFilter* filter) {
  if (filter != nullptr && std::find(preFilters_.begin(), preFilters_.end(), filter) == preFilters_.end()) {
    preFilters_.push_back(filter);
  }
}

void CPaintManager::RemovePreMessageFilter(IMessageFilter* filter) {
  preFilters_.erase(std::remove(preFilters_.begin(), preFilters_.end(), filter), preFilters_.end());
}

bool CPaintManager::SetTimer(CControl* control, UINT id, UINT elapse) {
  if (window_ == nullptr || control == nullptr) return false;
  for (const Timer& t : timers_) {
    if (t.control == control && t.id == id) return ::SetTimer(window_, t.localId, elapse, nullptr) != 0;
  }
  const UINT_PTR localId = nextTimerId_++;
  if (::SetTimer(window_, localId, elapse, nullptr) == 0) return false;
  timers_.push_back(Timer{control, id, localId});
  return true;
}

bool CPaintManager::KillTimer(CControl* control, UINT id) {
  for (auto it = timers_.begin(); it != timers_.end(); ++it) {
    if (it->control == control && it->id == id) {
      if (window_ != nullptr) ::KillTimer(window_, it->localId);
      timers_.erase(it);
      return true;
    }
  }
  return false;
}

void CPaintManager::KillTimers(CControl* control) {
  for (auto it = timers_.begin(); it != timers_.end();) {
    if (it->control == control) {
      if (window_ != nullptr) ::KillTimer(window_, it->localId);
      it = timers_.erase(it);
    } else {
      ++it;
    }
  }
}

bool CPaintManager::HasTimer(const CControl* control, UINT id) const {
  return std::any_of(timers_.begin(), timers_.end(),
                     [&](const Timer& t) { return t.control == control && t.id == id; });
}

void CPaintManager::SetFocus(CControl* control) {
  if (focus_ == control) return;
  CControl* old = focus_;
  focus_ = control;
  if (old != nullptr) {
    TEvent e;
    e.type = EventType::KillFocus;
    old->DoEvent(e);
    old->Invalidate();
  }
  if (control != nullptr) {
    TEvent e;
    e.type = EventType::SetFocus;
    control->DoEvent(e);
    control->Invalidate();
    // Keys go to the window for toolkit controls; a text field takes the
    // keyboard itself.
    if (window_ != nullptr && dynamic_cast<CEditControl*>(control) == nullptr && ::GetFocus() != window_) {
      ::SetFocus(window_);
    }
  }
}

void CPaintManager::Invalidate(const RECT& rc) {
  if (window_ != nullptr && !inLayout_) ::InvalidateRect(window_, &rc, FALSE);
}

void CPaintManager::NeedUpdate() {
  layoutPending_ = true;
  if (window_ != nullptr) ::InvalidateRect(window_, nullptr, FALSE);
}

void CPaintManager::ForEachControl(CControl* control, void (*fn)(CControl*)) {
  if (control == nullptr) return;
  fn(control);
  if (CContainer* c = control->AsContainer()) {
    for (int i = 0; i < c->GetCount(); ++i) ForEachControl(c->GetItemAt(i), fn);
  }
}

void CPaintManager::LayoutNow() {
  if (!layoutPending_ || !root_ || window_ == nullptr) return;
  layoutPending_ = false;
  RECT client;
  ::GetClientRect(window_, &client);
  inLayout_ = true;
  // The root always covers the whole client area.
  root_->SetPos(client);
  inLayout_ = false;
  ForEachControl(root_.get(), [](CControl* c) { c->SyncNativeWindow(); });
  ::InvalidateRect(window_, nullptr, FALSE);
}

bool CPaintManager::EnsureBackBuffer(int width, int height) {
  if (width <= 0 || height <= 0) return false;
  if (backBitmap_ != nullptr && back_.width == width && back_.height == height) return true;
  ReleaseBackBuffer();
  memDC_ = ::CreateCompatibleDC(nullptr);
  if (memDC_ == nullptr) return false;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  backBitmap_ = ::CreateDIBSection(memDC_, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (backBitmap_ == nullptr) {
    ::DeleteDC(memDC_);
    memDC_ = nullptr;
    return false;
  }
  oldBitmap_ = ::SelectObject(memDC_, backBitmap_);
  back_ = CSurface{static_cast<uint32_t*>(bits), width, height};
  return true;
}

void CPaintManager::ReleaseBackBuffer() {
  if (memDC_ != nullptr) {
    ::SelectObject(memDC_, oldBitmap_);
    ::DeleteDC(memDC_);
    memDC_ = nullptr;
  }
  if (backBitmap_ != nullptr) ::DeleteObject(backBitmap_);
  backBitmap_ = nullptr;
  back_ = CSurface{};
}

void CPaintManager::RenderArea(const RECT& area) {
  // What no control covers shows white, like a dialog's face.
  Canvas::FillRect(back_, area, area, 0xFFFFFFFF);
  if (!root_) return;
  CPaintContext ctx{back_, *this};
  root_->DoPaint(ctx, area);
}

void CPaintManager::Paint() {
  LayoutNow();
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(window_, &ps);
  RECT client;
  ::GetClientRect(window_, &client);
  const RECT area = Intersect(ps.rcPaint, client);
  if (!IsEmpty(area) && EnsureBackBuffer(client.right, client.bottom)) {
    RenderArea(area);
    ::GdiFlush();
    ::BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, memDC_, area.left, area.top,
             SRCCOPY);
    ++stats_.paints;
    stats_.lastPaint = area;
    if (stats_.firstPaintDone == 0) {
      LARGE_INTEGER now;
      ::QueryPerformanceCounter(&now);
      stats_.firstPaintDone = now.QuadPart;
    }
  }
  ::EndPaint(window_, &ps);
}

void CPaintManager::RenderToImage(CImage& image) {
  image = CImage{};
  if (window_ == nullptr) return;
  LayoutNow();
  RECT client;
  ::GetClientRect(window_, &client);
  if (!EnsureBackBuffer(client.right, client.bottom)) return;
  RenderArea(client);
  image.width = back_.width;
  image.height = back_.height;
  image.pixels.assign(back_.bits, back_.bits + static_cast<size_t>(back_.width) * back_.height);
  // Pixels the window region cuts away are not part of the window.
  if (roundCorner_.cx > 0 && roundCorner_.cy > 0) {
    HRGN region = ::CreateRoundRectRgn(0, 0, image.width + 1, image.height + 1, roundCorner_.cx, roundCorner_.cy);
    if (region != nullptr) {
      const int cw = std::min<int>(roundCorner_.cx, image.width), ch = std::min<int>(roundCorner_.cy, image.height);
      for (int y = 0; y < image.height; ++y) {
        if (y >= ch && y < image.height - ch) continue;
        for (int x = 0; x < image.width; ++x) {
          if (x >= cw && x < image.width - cw) continue;
          if (!::PtInRegion(region, x, y)) image.pixels[static_cast<size_t>(y) * image.width + x] = 0;
        }
      }
      ::DeleteObject(region);
    }
  }
}

void CPaintManager::UpdateHot(POINT pt) {
  CControl* c = FindControlAt(pt);
  if (c == hot_) return;
  CControl* old = hot_;
  hot_ = c;
  if (old != nullptr) {
    TEvent e;
    e.type = EventType::MouseLeave;
    e.pt = pt;
    old->DoEvent(e);
  }
  if (c != nullptr) {
    TEvent e;
    e.type = EventType::MouseEnter;
    e.pt = pt;
    c->DoEvent(e);
  }
}

CEditControl* CPaintManager::EditAt(HWND child) const {
  if (!root_ || child == nullptr) return nullptr;
  struct Walk {
    static CEditControl* Find(CControl* c, HWND h) {
      if (auto* e = dynamic_cast<CEditControl*>(c); e != nullptr && e->GetNativeWindow() == h) return e;
      if (CContainer* k = c->AsContainer()) {
        for (int i = 0; i < k->GetCount(); ++i) {
          if (CEditControl* e = Find(k->GetItemAt(i), h)) return e;
        }
      }
      return nullptr;
    }
  };
  return Walk::Find(root_.get(), child);
}

bool CPaintManager::PreMessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  const std::vector<IMessageFilter*> filters = preFilters_;
  for (IMessageFilter* f : filters) {
    bool handled = false;
    result = f->MessageHandler(msg, wParam, lParam, handled);
    if (handled) return true;
  }
  return false;
}

bool CPaintManager::MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (window_ == nullptr) return false;
  struct Depth {
    CPaintManager* self;
    explicit Depth(CPaintManager* s) : self(s) { ++self->dispatchDepth_; }
    ~Depth() {
      if (--self->dispatchDepth_ == 0 && self->releasePending_) self->ReleaseTreeNow();
    }
  } depth(this);

  result = 0;
  if (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) {
    // Input is hit-tested against the layout the user will see, also when
    // it arrives before the paint that would lay the tree out.
    LayoutNow();
  }
  switch (msg) {
    case WM_PAINT:
      Paint();
      return true;
    case WM_ERASEBKGND:
      result = 1;
      return true;
    case WM_SIZE:
      NeedUpdate();
      ApplyRegion();
      return false;
    case WM_MOUSEMOVE: {
      const POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (!mouseTracking_) {
        TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, window_, 0};
        mouseTracking_ = ::TrackMouseEvent(&tme) != FALSE;
      }
      UpdateHot(pt);
      CControl* target = pushed_ != nullptr ? pushed_ : hot_;
      if (target != nullptr) {
        TEvent e;
        e.type = EventType::MouseMove;
        e.pt = pt;
        e.wParam = wParam;
        target->DoEvent(e);
      }
      return true;
    }
    case WM_MOUSELEAVE:
      mouseTracking_ = false;
      if (hot_ != nullptr && pushed_ == nullptr) {
        CControl* old = hot_;
        hot_ = nullptr;
        TEvent e;
        e.type = EventType::MouseLeave;
        old->DoEvent(e);
      }
      return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      const POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      // A press outside a text field takes the keyboard from it.
      if (::GetFocus() != window_) ::SetFocus(window_);
      CControl* c = FindControlAt(pt);
      if (c == nullptr) return true;
      // A pressed control takes the keyboard (Space then presses a button).
      if (c->IsEnabled()) SetFocus(c);
      pushed_ = c;
      ::SetCapture(window_);
      TEvent e;
      e.type = EventType::ButtonDown;
      e.pt = pt;
      e.wParam = wParam;
      c->DoEvent(e);
      return true;
    }
    case WM_LBUTTONUP: {
      const POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      CControl* c = pushed_;
      pushed_ = nullptr;
      if (::GetCapture() == window_) ::ReleaseCapture();
      if (c != nullptr) {
        TEvent e;
        e.type = EventType::ButtonUp;
        e.pt = pt;
        e.wParam = wParam;
        c->DoEvent(e);
      }
      return true;
    }
    case WM_CAPTURECHANGED:
      if (pushed_ != nullptr && reinterpret_cast<HWND>(lParam) != window_) {
        CControl* c = pushed_;
        pushed_ = nullptr;
        TEvent e;
        e.type = EventType::CaptureLost;
        c->DoEvent(e);
      }
      return false;
    case WM_KEYDOWN:
      // Escape never reaches a control: it neither closes nor cancels.
      if (wParam == VK_ESCAPE) return true;
      if (focus_ != nullptr) {
        TEvent e;
        e.type = EventType::KeyDown;
        e.wParam = wParam;
        e.lParam = lParam;
        focus_->DoEvent(e);
        return true;
      }
      return false;
    case WM_CHAR:
      if (wParam == 27) return true;
      if (focus_ != nullptr) {
        TEvent e;
        e.type = EventType::Char;
        e.wParam = wParam;
        focus_->DoEvent(e);
        return true;
      }
      return false;
    case WM_TIMER: {
      for (const Timer& t : timers_) {
        if (t.localId != wParam) continue;
        CControl* control = t.control;
        TEvent e;
        e.type = EventType::Timer;
        e.wParam = t.id;
        control->DoEvent(e);
        return true;
      }
      return false;
    }
    case WM_SKIN_QUEUED_NOTIFY:
      DeliverQueued();
      return true;
    case WM_COMMAND:
      if (lParam != 0) {
        if (CEditControl* e = EditAt(reinterpret_cast<HWND>(lParam))) {
          e->OnNativeCommand(HIWORD(wParam));
          return true;
        }
      }
      return false;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
      if (CEditControl* e = EditAt(reinterpret_cast<HWND>(lParam))) {
        result = reinterpret_cast<LRESULT>(e->OnNativeColor(reinterpret_cast<HDC>(wParam)));
        return true;
      }
      return false;
    default:
      return false;
  }
}

void CPaintManager::ReapControl(CControl* control) {
  if (control == nullptr) return;
  KillTimers(control);
  if (focus_ == control) focus_ = nullptr;
  if (hot_ == control) hot_ = nullptr;
  if (pushed_ == control) pushed_ = nullptr;
  {
    std::lock_guard<std::mutex> lock(queueMutex_);
    queue_.erase(std::remove_if(queue_.begin(), queue_.end(), [&](const TNotify& m) { return m.sender == control; }),
                 queue_.end());
  }
  for (TNotify& m : delivering_) {
    if (m.sender == control) m.type.clear();
  }
}

void CPaintManager::ForgetInput(CControl* control) {
  if (control == nullptr) return;
  if (focus_ != nullptr && IsDescendantOrSelf(focus_, control)) {
    focus_ = nullptr;
    if (window_ != nullptr && ::GetFocus() != window_ && ::IsChild(window_, ::GetFocus())) ::SetFocus(window_);
  }
  if (hot_ != nullptr && IsDescendantOrSelf(hot_, control)) {
    CControl* old = hot_;
    hot_ = nullptr;
    TEvent e;
    e.type = EventType::MouseLeave;
    old->DoEvent(e);
  }
  if (pushed_ != nullptr && IsDescendantOrSelf(pushed_, control)) {
    CControl* old = pushed_;
    pushed_ = nullptr;
    if (window_ != nullptr && ::GetCapture() == window_) ::ReleaseCapture();
    TEvent e;
    e.type = EventType::CaptureLost;
    old->DoEvent(e);
  }
}

void CPaintManager::ReleaseTree() {
  if (dispatchDepth_ > 0) {
    releasePending_ = true;
    return;
  }
  ReleaseTreeNow();
}

void CPaintManager::ReleaseTreeNow() {
  releasePending_ = false;
  // Controls reap themselves as they go; they must still find this manager.
  std::unique_ptr<CControl> root = std::move(root_);
  root.reset();
  focus_ = hot_ = pushed_ = nullptr;
}

}  // namespace SkinUI
