// Skin viewer: shows a skin of the embedded archive (or a loose skin folder)
// in a real window and writes what the window shows to a PNG file.
//
//   skin_viewer --skin mainWnd.xml [--page N] [--png out.png] [options]
//
//   --skin FILE        skin file name (any letter case)
//   --page N           main window: show page N of "mainTabLt" with the title
//                      area and background the installer gives that page
//   --tab NAME=N       select child N of any tab layout
//   --set NAME=TEXT    set a control's text ("\n" in TEXT breaks the line)
//   --show NAME, --hide NAME, --disable NAME, --select NAME, --unselect NAME
//   --progress N       main window: bar value and progress text
//   --hover NAME       put the mouse over a control (hot state)
//   --raw              the skin exactly as written (no installer texts)
//   --dir FOLDER       read loose skins and images from FOLDER
//   --png FILE         write the window to FILE and exit
//   --screen           with --png: capture the screen instead of the back
//                      buffer (includes native child windows)
//   --dump             print every named control with class and rectangle
//   --list             print the files of the archive and exit
// Exit codes: 0 done, 1 the skin cannot be built, 2 bad arguments, 3 the
// PNG could not be written, 4 no window.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

#include "toolkit/button.h"
#include "toolkit/label.h"
#include "toolkit/layouts.h"
#include "toolkit/progress.h"
#include "toolkit/skin_archive.h"
#include "toolkit/skin_window_base.h"
#include "ui/sequence_controls.h"
#include "utils/text.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

using namespace SkinUI;

namespace {

struct Options {
  std::wstring skin;
  int page = -1;
  int progress = -1;
  bool raw = false;
  bool screen = false;
  bool dump = false;
  bool list = false;
  std::wstring dir;
  std::wstring png;
  std::vector<std::pair<std::wstring, int>> tabs;
  std::vector<std::pair<std::wstring, std::wstring>> texts;
  std::vector<std::pair<std::wstring, std::wstring>> actions;  // (what, control)
  std::wstring hover;
};

class CViewerWindow : public CSkinWindowBase {
 public:
  CViewerWindow(std::wstring skin, SkinResourceKind kind) : skin_(std::move(skin)), kind_(kind) {}
  std::wstring GetSkinFolder() const override { return L""; }
  std::wstring GetSkinFile() const override { return skin_; }
  SkinResourceKind GetResourceKind() const override { return kind_; }
  std::wstring GetWindowClassName() const override {
    const size_t dot = skin_.find_last_of(L'.');
    return L"SkinViewer_" + skin_.substr(0, dot);
  }
  CControl* CreateControl(const std::wstring& name) override { return CreateSequenceControl(name); }

 private:
  std::wstring skin_;
  SkinResourceKind kind_;
};

bool EqualsNoCase(const std::wstring& a, const wchar_t* b) { return _wcsicmp(a.c_str(), b) == 0; }

std::pair<std::wstring, std::wstring> SplitAt(const std::wstring& s) {
  const size_t eq = s.find(L'=');
  if (eq == std::wstring::npos) return {s, L""};
  return {s.substr(0, eq), s.substr(eq + 1)};
}

bool ParseArgs(int argc, wchar_t** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::wstring a = argv[i];
    auto next = [&](std::wstring& out) {
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    std::wstring v;
    if (a == L"--skin" && next(v)) {
      o.skin = v;
    } else if (a == L"--page" && next(v)) {
      o.page = _wtoi(v.c_str());
    } else if (a == L"--progress" && next(v)) {
      o.progress = _wtoi(v.c_str());
    } else if (a == L"--tab" && next(v)) {
      auto kv = SplitAt(v);
      o.tabs.emplace_back(kv.first, _wtoi(kv.second.c_str()));
    } else if (a == L"--set" && next(v)) {
      auto kv = SplitAt(v);
      o.texts.emplace_back(kv.first, Utils::ReplaceAll(kv.second, L"\\n", L"\r\n"));
    } else if ((a == L"--show" || a == L"--hide" || a == L"--disable" || a == L"--select" || a == L"--unselect") &&
               next(v)) {
      o.actions.emplace_back(a.substr(2), v);
    } else if (a == L"--hover" && next(v)) {
      o.hover = v;
    } else if (a == L"--dir" && next(v)) {
      o.dir = v;
    } else if (a == L"--png" && next(v)) {
      o.png = v;
    } else if (a == L"--raw") {
      o.raw = true;
    } else if (a == L"--screen") {
      o.screen = true;
    } else if (a == L"--dump") {
      o.dump = true;
    } else if (a == L"--list") {
      o.list = true;
    } else {
      return false;
    }
  }
  return o.list || !o.skin.empty();
}

// What the installer's windows do to their skins before the user sees them,
// so the preview looks like the product.
void ApplyInstallerLook(CViewerWindow& w, const Options& o) {
  const std::wstring& skin = o.skin;
  if (EqualsNoCase(skin, L"mainWnd.xml")) {
    for (const wchar_t* name : {L"bTitleLbl1", L"bTitleLbl2", L"bTitleLbl3"}) {
      if (auto* label = dynamic_cast<CLabelControl*>(w.FindControl(name))) {
        label->SetFixedWidth(label->MeasureTextWidth(L"Lumavox"));
        label->SetText(L"Lumavox");
      }
    }
    if (CControl* edit = w.FindControl(L"installDirEdit")) edit->SetText(L"C:\\Program Files (x86)\\lumavoxapp");
    if (o.page >= 0) {
      static const wchar_t* kBackgrounds[] = {L"res\\mainWnd\\bg1.png", L"res\\mainWnd\\bg2.png",
                                              L"res\\mainWnd\\bg3.png", L"res\\mainWnd\\bg4.png"};
      if (CControl* root = w.FindControl(L"winCtn"))
        root->SetBkImage(kBackgrounds[o.page >= 0 && o.page < 4 ? o.page : 0]);
      auto* title = dynamic_cast<CTabLayout*>(w.FindControl(L"titleTabLt"));
      if (title != nullptr && o.page != 2) title->SelectItem(o.page == 3 ? 2 : 1, false);
      if (CControl* group = w.FindControl(L"titleGrpCtn")) group->SetVisible(o.page != 2);
      if (CControl* back = w.FindControl(L"backBtn")) back->SetVisible(o.page == 1);
    }
    int value = o.progress >= 0 ? o.progress : (o.page == 2 ? 35 : -1);
    if (value >= 0) {
      if (auto* bar = dynamic_cast<CProgressControl*>(w.FindControl(L"installPrg"))) bar->SetValue(value);
      if (CControl* text = w.FindControl(L"progressLb")) {
        wchar_t buf[250];
        swprintf(buf, 250, L"正在安装中:%d%%，请稍候...", value);
        text->SetText(buf);
      }
    }
  } else if (EqualsNoCase(skin, L"MessageBox1Wnd.xml")) {
    if (CControl* c = w.FindControl(L"textLbl")) c->SetText(L"安装程序检测到Lumavox\r\n正在运行，请退出程序后再安装");
    if (CControl* c = w.FindControl(L"captionLbl")) c->SetText(L"温馨提示");
  } else if (EqualsNoCase(skin, L"MessageBox2Wnd.xml")) {
    if (CControl* c = w.FindControl(L"textLbl")) c->SetText(L"当前磁盘剩余空间低于1GB，请修改安装路径");
    if (CControl* c = w.FindControl(L"captionLbl")) c->SetText(L"温馨提示");
  }
}

void ApplyOptions(CViewerWindow& w, const Options& o) {
  if (o.page >= 0) {
    if (auto* tab = dynamic_cast<CTabLayout*>(w.FindControl(L"mainTabLt"))) tab->SelectItem(o.page, false);
  }
  for (const auto& t : o.tabs) {
    if (auto* tab = dynamic_cast<CTabLayout*>(w.FindControl(t.first))) tab->SelectItem(t.second, false);
  }
  if (!o.raw) ApplyInstallerLook(w, o);
  for (const auto& t : o.texts) {
    if (CControl* c = w.FindControl(t.first)) c->SetText(t.second);
  }
  for (const auto& a : o.actions) {
    CControl* c = w.FindControl(a.second);
    if (c == nullptr) continue;
    if (a.first == L"show") c->SetVisible(true);
    if (a.first == L"hide") c->SetVisible(false);
    if (a.first == L"disable") c->SetEnabled(false);
    if (auto* opt = dynamic_cast<COptionControl*>(c)) {
      if (a.first == L"select") opt->Selected(true, false);
      if (a.first == L"unselect") opt->Selected(false, false);
    }
  }
  w.PaintManager().LayoutNow();
  if (!o.hover.empty()) {
    if (CControl* c = w.FindControl(o.hover)) {
      const RECT r = c->GetPos();
      // The real pointer goes there too, or the window hears at once that
      // the mouse has left.
      POINT pt{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
      ::ClientToScreen(w.GetHWND(), &pt);
      ::SetCursorPos(pt.x, pt.y);
      ::SendMessageW(w.GetHWND(), WM_MOUSEMOVE, 0, MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2));
    }
  }
}

void Pump(DWORD ms) {
  const DWORD start = ::GetTickCount();
  MSG msg;
  while (::GetTickCount() - start < ms) {
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (!CPaintManager::TranslateMessage(&msg)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
      }
    }
    ::Sleep(5);
  }
}

void Dump(CControl* c, int depth) {
  if (c == nullptr) return;
  if (!c->GetName().empty()) {
    const RECT r = c->GetPos();
    std::printf("%*s%s %s %ld,%ld,%ld,%ld%s\n", depth * 2, "", Utils::WideToNarrow(c->GetName(), 65001).c_str(),
                Utils::WideToNarrow(c->GetClass(), 65001).c_str(), r.left, r.top, r.right, r.bottom,
                c->IsVisibleInTree() ? "" : " (not shown)");
  }
  if (CContainer* k = c->AsContainer()) {
    for (int i = 0; i < k->GetCount(); ++i) Dump(k->GetItemAt(i), depth + (c->GetName().empty() ? 0 : 1));
  }
}

void AppendBytes(void* context, void* data, int size) {
  auto* out = static_cast<std::vector<uint8_t>*>(context);
  const auto* p = static_cast<const uint8_t*>(data);
  out->insert(out->end(), p, p + size);
}

bool WritePng(const std::wstring& path, const CImage& img) {
  if (img.width <= 0 || img.height <= 0) return false;
  std::vector<uint8_t> rgba(static_cast<size_t>(img.width) * img.height * 4);
  for (size_t i = 0; i < img.pixels.size(); ++i) {
    const uint32_t p = Unpremultiply(img.pixels[i]);
    rgba[i * 4 + 0] = static_cast<uint8_t>(p >> 16);
    rgba[i * 4 + 1] = static_cast<uint8_t>(p >> 8);
    rgba[i * 4 + 2] = static_cast<uint8_t>(p);
    rgba[i * 4 + 3] = static_cast<uint8_t>(p >> 24);
  }
  std::vector<uint8_t> file;
  if (!stbi_write_png_to_func(AppendBytes, &file, img.width, img.height, 4, rgba.data(), img.width * 4)) return false;
  HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok =
      ::WriteFile(h, file.data(), static_cast<DWORD>(file.size()), &written, nullptr) && written == file.size();
  ::CloseHandle(h);
  return ok;
}

// What the screen shows of the window, native child windows included.
bool CaptureScreen(HWND hwnd, CImage& img) {
  RECT r;
  ::GetWindowRect(hwnd, &r);
  img.width = r.right - r.left;
  img.height = r.bottom - r.top;
  HDC screen = ::GetDC(nullptr);
  HDC mem = ::CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = img.width;
  bi.bmiHeader.biHeight = -img.height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bmp = ::CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool ok = false;
  if (bmp != nullptr) {
    HGDIOBJ old = ::SelectObject(mem, bmp);
    ok = ::BitBlt(mem, 0, 0, img.width, img.height, screen, r.left, r.top, SRCCOPY) != FALSE;
    ::GdiFlush();
    const auto* p = static_cast<const uint32_t*>(bits);
    img.pixels.assign(p, p + static_cast<size_t>(img.width) * img.height);
    for (uint32_t& px : img.pixels) px |= 0xFF000000u;
    ::SelectObject(mem, old);
    ::DeleteObject(bmp);
  }
  ::DeleteDC(mem);
  ::ReleaseDC(nullptr, screen);
  return ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Options o;
  if (!ParseArgs(argc, argv, o)) {
    std::fprintf(stderr, "usage: skin_viewer --skin FILE [--page N] [--png FILE] [options]; see the source header\n");
    return 2;
  }
  CPaintManager::SetInstance(::GetModuleHandleW(nullptr));
  SkinResourceKind kind = SkinResourceKind::Packed;
  if (!o.dir.empty()) {
    kind = SkinResourceKind::File;
    CPaintManager::SetResourceFolder(o.dir);
    ::SetCurrentDirectoryW(o.dir.c_str());  // images are looked for relative to it
  }
  if (o.list) {
    if (!CSkinArchive::Instance().OpenFromResource(::GetModuleHandleW(nullptr), 147)) return 4;
    for (const std::wstring& name : CSkinArchive::Instance().FileNames()) {
      std::printf("%s\n", Utils::WideToNarrow(name, 65001).c_str());
    }
    return 0;
  }

  CViewerWindow w(o.skin, kind);
  if (w.Create(nullptr, L"Skin viewer", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0) == nullptr) return 4;
  if (!w.IsSkinBuilt()) return 4;
  w.SetIcon(145);
  w.CenterWindow();
  ApplyOptions(w, o);
  ::UpdateWindow(w.GetHWND());
  if (o.dump) Dump(w.PaintManager().GetRoot(), 0);

  if (o.png.empty()) {
    w.ShowModal();
    return 0;
  }
  CImage img;
  if (o.screen) {
    ::SetForegroundWindow(w.GetHWND());
    Pump(300);
    if (!CaptureScreen(w.GetHWND(), img)) return 3;
  } else {
    Pump(50);
    w.PaintManager().RenderToImage(img);
  }
  if (!WritePng(o.png, img)) return 3;
  std::printf("%s: %dx%d\n", Utils::WideToNarrow(o.png, 65001).c_str(), img.width, img.height);
  return 0;
}
