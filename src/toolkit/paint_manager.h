#pragma once
// One per skinned window: owns the control tree, the fonts and images of
// the skin, the back buffer, control timers, input routing and the
// notifications of the window.

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "toolkit/canvas.h"
#include "toolkit/control.h"
#include "toolkit/notify.h"
#include "toolkit/skin_image.h"
#include "toolkit/skin_values.h"

namespace SkinUI {

class CEditControl;

// Queued notifications are handed to the UI thread with this message.
constexpr UINT WM_SKIN_QUEUED_NOTIFY = WM_APP + 1;

enum class SkinResourceKind { File, Packed };

struct FontInfo {
  std::wstring face;
  int size = 12;
  bool bold = false;
  bool underline = false;
  bool italic = false;
  HFONT handle = nullptr;
  TEXTMETRICW metrics{};
};

class CPaintManager {
 public:
  CPaintManager();
  ~CPaintManager();
  CPaintManager(const CPaintManager&) = delete;
  CPaintManager& operator=(const CPaintManager&) = delete;

  // Process-wide set-up: the module whose resources hold the skins, and the
  // form skins come in.
  static void SetInstance(HINSTANCE instance);
  static HINSTANCE GetInstance();
  static void SetResourceKind(SkinResourceKind kind);
  static SkinResourceKind GetResourceKind();
  // The executable's folder and the skin folder, with a trailing "\"
  // (unless set explicitly).
  static void SetResourceFolder(const std::wstring& folder);
  static std::wstring GetResourceFolder();
  // Lets the toolkit see a message of the modal loop first; true when it
  // was consumed and must not be dispatched.
  static bool TranslateMessage(const MSG* msg);

  void Init(HWND window);
  // The window is going away: forgets it, drops queued notifications and
  // releases the tree.
  void Detach();
  HWND GetPaintWindow() const { return window_; }

  // Takes ownership of the tree and initialises its controls.
  void AttachRoot(CControl* root);
  CControl* GetRoot() const { return root_.get(); }
  CControl* FindControl(const std::wstring& name) const;
  CControl* FindControlAt(POINT pt) const;

  // Window attributes of the skin.
  void SetInitSize(int cx, int cy);
  SIZE GetInitSize() const { return initSize_; }
  void SetCaptionRect(const RECT& rc) { caption_ = rc; }
  const RECT& GetCaptionRect() const { return caption_; }
  void SetRoundCorner(SIZE corner);
  SIZE GetRoundCorner() const { return roundCorner_; }
  void AddWindowAttribute(const std::wstring& name, const std::wstring& value);
  // Empty when the skin does not set it.
  std::wstring GetWindowAttribute(const std::wstring& name) const;
  bool HasWindowAttribute(const std::wstring& name) const;

  // Fonts of the skin, by the "id" of their Font element.
  void AddFont(int id, const std::wstring& face, int size, bool bold, bool underline, bool italic, bool isDefault);
  // Unknown ids give the default font.
  HFONT GetFont(int id) const;
  const FontInfo& GetFontInfo(int id) const;
  // Extent of one line of text in a font.
  SIZE MeasureText(int fontId, const std::wstring& text) const;
  // Breaks text into lines no wider than width ("\n" always breaks).
  std::vector<std::wstring> BreakLines(int fontId, const std::wstring& text, int width) const;
  // Draws text into a surface through GDI (grey-scale anti-aliased), as one
  // line or broken into lines to the rectangle's width.
  void DrawString(CSurface& surface, const RECT& clip, const std::wstring& text, const RECT& rc, int fontId,
                  HAlign halign, VAlign valign, bool multiline, bool endEllipsis, uint32_t argb);

  // Default attributes for an element name, applied before its own.
  void AddDefaultAttributes(const std::wstring& elementName, const std::wstring& attributes);
  std::wstring GetDefaultAttributes(const std::wstring& elementName) const;

  std::shared_ptr<const CImage> GetImage(const std::wstring& file, bool hasMask, uint32_t mask);
  CImageCache& ImageCache() { return images_; }

  // Notifications go to every listener: at once, or queued and delivered
  // later on the UI thread (the only call that may come from any thread).
  void AddNotifier(INotifyListener* listener);
  void RemoveNotifier(INotifyListener* listener);
  void SendNotify(CControl* sender, const std::wstring& type, WPARAM wParam = 0, LPARAM lParam = 0, bool async = false);
  void AddPreMessageFilter(IMessageFilter* filter);
  void RemovePreMessageFilter(IMessageFilter* filter);

  // Timers owned by a control; setting an existing one restarts it with
  // the new period.
  bool SetTimer(CControl* control, UINT id, UINT elapse);
  bool KillTimer(CControl* control, UINT id);
  void KillTimers(CControl* control);
  bool HasTimer(const CControl* control, UINT id) const;

  CControl* GetFocus() const { return focus_; }
  void SetFocus(CControl* control);
  CControl* GetHot() const { return hot_; }
  CControl* GetPushed() const { return pushed_; }

  void Invalidate(const RECT& rc);
  void NeedUpdate();
  // Lays the tree out now if anything changed since the last layout.
  void LayoutNow();
  // Paints the whole client area into image (straight from the controls,
  // what the window shows; outside the window region alpha is 0).
  void RenderToImage(CImage& image);

  // The toolkit's message handling; true when the message was handled.
  bool MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool PreMessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

  // Called by a control that goes away: forgets every reference to it.
  void ReapControl(CControl* control);
  // The control (or one inside it) was hidden: it loses hot, pushed and
  // focused state.
  void ForgetInput(CControl* control);
  // Releases the tree (or, while a message of this window is being
  // handled, as soon as that handling ends).
  void ReleaseTree();

  // Measurements for tests and the benchmark.
  struct Stats {
    int paints = 0;
    RECT lastPaint{0, 0, 0, 0};
    LONGLONG firstPaintDone = 0;  // QueryPerformanceCounter at the end of the first paint
  };
  const Stats& GetStats() const { return stats_; }
  // Private messages posted for queued notifications so far.
  int QueuedPosts() const { return queuedPosts_.load(); }
  // Queued notifications not yet taken by the UI thread.
  size_t PendingNotifications();

 private:
  struct Timer {
    CControl* control;
    UINT id;
    UINT_PTR localId;
  };
  void Paint();
  void RenderArea(const RECT& area);
  bool EnsureBackBuffer(int width, int height);
  bool EnsureTextScratch(int width, int height);
  void ReleaseBackBuffer();
  void DeliverQueued();
  void ApplyRegion();
  void DeliverNotify(TNotify& msg);
  void UpdateHot(POINT pt);
  void ReleaseTreeNow();
  void ForEachControl(CControl* control, void (*fn)(CControl*));
  CEditControl* EditAt(HWND child) const;

  HWND window_ = nullptr;
  std::atomic<HWND> postTarget_{nullptr};  // read by worker threads
  bool inLayout_ = false;
  std::unique_ptr<CControl> root_;
  bool layoutPending_ = true;
  int dispatchDepth_ = 0;
  bool releasePending_ = false;

  SIZE initSize_{0, 0};
  RECT caption_{0, 0, 0, 0};
  SIZE roundCorner_{0, 0};
  // Names compared ignoring case, in the order they were first set.
  class CNamedValues {
   public:
    void Set(const std::wstring& name, const std::wstring& value);
    const std::wstring* Find(const std::wstring& name) const;

   private:
    std::vector<std::pair<std::wstring, std::wstring>> values_;
  };
  CNamedValues windowAttributes_;
  CNamedValues defaultAttributes_;

  std::map<int, FontInfo> fonts_;
  mutable FontInfo defaultFont_;  // made on first use when the skin has none
  int defaultFontId_ = 0;
  bool hasSkinDefaultFont_ = false;

  CImageCache images_;

  std::vector<INotifyListener*> listeners_;
  std::vector<IMessageFilter*> preFilters_;
  std::mutex queueMutex_;
  std::vector<TNotify> queue_;  // guarded by queueMutex_
  bool queuePosted_ = false;    // guarded by queueMutex_
  std::atomic<int> queuedPosts_{0};
  std::deque<TNotify> delivering_;
  bool delivering_active_ = false;

  std::vector<Timer> timers_;
  UINT_PTR nextTimerId_ = 0x1000;

  CControl* focus_ = nullptr;
  CControl* hot_ = nullptr;
  CControl* pushed_ = nullptr;
  bool mouseTracking_ = false;

  HDC memDC_ = nullptr;
  HBITMAP backBitmap_ = nullptr;
  HGDIOBJ oldBitmap_ = nullptr;
  CSurface back_;
  // GDI draws text white on black here; the result is the coverage mask.
  HDC textDC_ = nullptr;
  HBITMAP textBitmap_ = nullptr;
  HGDIOBJ oldTextBitmap_ = nullptr;
  uint32_t* textBits_ = nullptr;
  int textWidth_ = 0;
  int textHeight_ = 0;
  std::vector<uint8_t> coverage_;
  HDC measureDC_ = nullptr;

  Stats stats_;
};

}  // namespace SkinUI
