// The product's skins as the skin viewer draws them from the embedded
// archive: every page and prompt to PNG (kept under build/artefacts/skins),
// checked for its size and for colours at chosen points.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "toolkit/canvas.h"
#include "toolkit/skin_image.h"

using SkinUI::CImage;

namespace {

std::wstring WindowsPath(const char* var) {
  const char* v = std::getenv(var);
  std::wstring out = L"Z:";
  for (const char* p = v != nullptr ? v : ""; *p != 0; ++p) out += (*p == '/') ? L'\\' : static_cast<wchar_t>(*p);
  return out + L"\\";
}

std::wstring ArtefactDir() { return WindowsPath("LUMAVOX_BUILD_DIR") + L"artefacts\\skins\\"; }

// Runs the viewer; the PNG it wrote, decoded (straight ARGB pixels).
bool Render(const std::wstring& args, const std::wstring& png, CImage& img, DWORD* exitCode = nullptr) {
  ::CreateDirectoryW((WindowsPath("LUMAVOX_BUILD_DIR") + L"artefacts").c_str(), nullptr);
  ::CreateDirectoryW(ArtefactDir().c_str(), nullptr);
  const std::wstring path = ArtefactDir() + png;
  ::DeleteFileW(path.c_str());
  std::wstring cmd = L"\"" + WindowsPath("LUMAVOX_BUILD_DIR") + L"tools\\skin_viewer\\skin_viewer.exe\" " + args +
                     L" --png \"" + path + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi)) {
    return false;
  }
  if (::WaitForSingleObject(pi.hProcess, 30000) != WAIT_OBJECT_0) ::TerminateProcess(pi.hProcess, 99);
  DWORD code = 0;
  ::GetExitCodeProcess(pi.hProcess, &code);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  if (exitCode != nullptr) *exitCode = code;
  HANDLE f = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  std::vector<uint8_t> bytes(::GetFileSize(f, nullptr));
  DWORD n = 0;
  ::ReadFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
  ::CloseHandle(f);
  auto decoded = SkinUI::DecodeImage(bytes.data(), bytes.size(), false, 0);
  if (!decoded) return false;
  img = *decoded;
  for (uint32_t& p : img.pixels) p = SkinUI::Unpremultiply(p);
  return code == 0;
}

uint32_t At(const CImage& img, int x, int y) { return img.pixels[static_cast<size_t>(y) * img.width + x]; }
int R(uint32_t p) { return (p >> 16) & 0xFF; }
int G(uint32_t p) { return (p >> 8) & 0xFF; }
int B(uint32_t p) { return p & 0xFF; }

// Kinds of pixel a point may be asked to be.
struct Expect {
  enum Kind { Exact, Blue, LightGrey, White, Ink } kind;
  uint32_t colour = 0;
};
Expect Exact(uint32_t c) { return {Expect::Exact, c}; }
const Expect kBlue{Expect::Blue};            // the blue family of the art
const Expect kLightGrey{Expect::LightGrey};  // track, panels
const Expect kWhite{Expect::White};

bool Matches(uint32_t p, const Expect& e) {
  switch (e.kind) {
    case Expect::Exact:
      return (p | 0xFF000000u) == (e.colour | 0xFF000000u) && (p >> 24) == 255;
    case Expect::Blue:
      return B(p) > 200 && B(p) - R(p) > 100;
    case Expect::LightGrey:
      return R(p) > 200 && G(p) > 200 && B(p) > 200 && std::abs(R(p) - B(p)) < 40 && (p & 0xFFFFFF) != 0xFFFFFF;
    case Expect::White:
      return R(p) > 250 && G(p) > 250 && B(p) > 250;
    case Expect::Ink:
      return R(p) < 128 && G(p) < 128;
  }
  return false;
}

// Pixels of a rectangle that stand out from its most common colour: the
// strokes of text, whatever its colour and background.
int InkIn(const CImage& img, RECT r) {
  std::map<uint32_t, int> counts;
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) ++counts[At(img, x, y) & 0xFFFFFF];
  }
  uint32_t ground = 0;
  int most = -1;
  for (const auto& c : counts) {
    if (c.second > most) most = c.second, ground = c.first;
  }
  int n = 0;
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) {
      const uint32_t p = At(img, x, y);
      n += std::abs(R(p) - R(ground)) + std::abs(G(p) - G(ground)) + std::abs(B(p) - B(ground)) > 120;
    }
  }
  return n;
}

struct Point {
  int x, y;
  Expect expect;
  const char* what;
};

struct Case {
  const wchar_t* args;
  const wchar_t* png;
  int width, height;
  std::vector<Point> points;
  std::vector<std::pair<RECT, const char*>> textAreas;   // must hold text
  std::vector<std::pair<RECT, const char*>> emptyAreas;  // must hold none
};

}  // namespace

TEST(SkinPixels, EveryPageAndPrompt) {
  const uint32_t kButtonBlue = 0xFF1675FE;
  const Case cases[] = {
      {L"--skin MainWnd.xml --page 0",
       L"mainWnd_page0.png",
       600,
       400,
       {{300, 261, Exact(kButtonBlue), "centre of defaultInstallBtn"},
        {190, 240, Exact(kButtonBlue), "defaultInstallBtn"},
        {210, 110, kBlue, "logo"}},
       {{{225, 112, 475, 178}, "product name"},
        {{183, 235, 417, 288}, "立即安装"},
        {{489, 362, 589, 380}, "自定义安装"},
        {{520, 20, 580, 44}, "title buttons"}},
       {{{10, 20, 74, 40}, "no back button on page 0"}}},
      {L"--skin MainWnd.xml --page 1",
       L"mainWnd_page1.png",
       600,
       400,
       {{485, 200, Exact(kButtonBlue), "chDirBtn"},
        {190, 325, Exact(kButtonBlue), "customeInstallBtn"},
        {465, 200, kWhite, "inside installDirEdit"}},
       {{{10, 20, 74, 40}, "back button"},
        {{129, 190, 469, 230}, "folder in installDirEdit"},
        {{125, 250, 263, 268}, "创建桌面快捷方式"},
        {{53, 190, 123, 230}, "安装路径："}},
       {}},
      {L"--skin MainWnd.xml --page 2 --progress 50",
       L"mainWnd_page2.png",
       600,
       400,
       {{100, 346, kBlue, "progress foreground"},
        {290, 346, kBlue, "progress foreground up to half"},
        {310, 346, kLightGrey, "progress track beyond the value"},
        {500, 346, kLightGrey, "progress track"}},
       {{{120, 298, 480, 322}, "progress text"}},
       {{{520, 20, 580, 44}, "title buttons hidden while installing"}}},
      {L"--skin MainWnd.xml --page 3",
       L"mainWnd_page3.png",
       600,
       400,
       {{190, 255, Exact(kButtonBlue), "openProduceBtn"}, {210, 151, kBlue, "finished mark"}},
       {{{250, 120, 410, 171}, "安装完成"}, {{268, 361, 368, 386}, "product name"}, {{183, 247, 417, 297}, "立即体验"}},
       {}},
      {L"--skin ExitTipWnd.xml",
       L"exitTipWnd.png",
       360,
       180,
       {{300, 35, Exact(0xFFF3F5F9), "title bar"},
        {10, 120, Exact(0xFFFFFFFF), "body"},
        {270, 135, Exact(kButtonBlue), "cancelBtn filled"},
        {168, 145, Exact(0xFF1890FF), "okBtn border"},
        {200, 133, Exact(0xFFFFFFFF), "okBtn inside"},
        {40, 89, kBlue, "question icon"}},
       {{{114, 69, 274, 109}, "question"}, {{20, 0, 172, 40}, "温馨提示"}, {{168, 129, 244, 161}, "是"}},
       {}},
      {L"--skin NetworkTipWnd.xml",
       L"NetworkTipWnd.png",
       360,
       180,
       {{200, 5, Exact(0xFFF5F5F5), "title bar"},
        {275, 135, Exact(kButtonBlue), "okBtn filled"},
        {183, 145, Exact(0xFF1890FF), "cancelBtn border"},
        {200, 129, Exact(0xFF1890FF), "cancelBtn top border, outside its row"}},
       {{{94, 60, 328, 100}, "two-line message"}, {{183, 129, 259, 161}, "稍后再试"}},
       {}},
      {L"--skin InstalledPathTipWnd.xml",
       L"InstalledPathTipWnd.png",
       400,
       180,
       {{395, 5, Exact(0xFFF5F5F5), "title bar spans the window"},
        {290, 135, Exact(kButtonBlue), "okBtn"},
        {170, 145, Exact(0xFF1890FF), "cancelBtn border"}},
       {{{94, 59, 368, 99}, "message"}},
       {}},
      {L"--skin MessageBox1Wnd.xml",
       L"MessageBox1Wnd.png",
       360,
       100,
       {{5, 60, Exact(0xFFFFFFFF), "body"}},
       {{{24, 30, 360, 100}, "product-running text"}, {{33, 0, 178, 30}, "caption"}},
       {}},
      {L"--skin MessageBox2Wnd.xml",
       L"MessageBox2Wnd.png",
       360,
       180,
       {{200, 5, Exact(0xFFF5F5F5), "title bar"}, {20, 170, Exact(0xFFFFFFFF), "body"}},
       {{{1, 95, 359, 115}, "centred text"}},
       {{{1, 40, 359, 90}, "nothing above the centred line"}}},
      {L"--skin MessageBox1Wnd.xml --raw",
       L"MessageBox1Wnd_raw.png",
       360,
       100,
       {},
       {{{24, 30, 360, 100}, "skin text TEXT"}},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.png, c.png + wcslen(c.png)));
    CImage img;
    ASSERT_TRUE(Render(c.args, c.png, img));
    ASSERT_EQ(img.width, c.width);
    ASSERT_EQ(img.height, c.height);
    for (const Point& p : c.points) {
      const uint32_t got = At(img, p.x, p.y);
      EXPECT_TRUE(Matches(got, p.expect)) << p.what << " at " << p.x << "," << p.y << ": " << std::hex << got;
    }
    for (const auto& a : c.textAreas) EXPECT_GT(InkIn(img, a.first), 20) << a.second;
    for (const auto& a : c.emptyAreas) EXPECT_EQ(InkIn(img, a.first), 0) << a.second;
  }
}

TEST(SkinPixels, ChineseTextIsDrawnNotBoxes) {
  // "您确定要退出安装吗？": ten different characters, 16 px each from x 114.
  // Boxes for missing glyphs would all look alike.
  CImage img;
  ASSERT_TRUE(Render(L"--skin ExitTipWnd.xml", L"exitTipWnd.png", img));
  std::set<std::vector<bool>> shapes;
  int inked = 0;
  for (int i = 0; i < 10; ++i) {
    std::vector<bool> cell;
    int ink = 0;
    for (int y = 79; y < 99; ++y) {
      for (int x = 114 + 16 * i; x < 130 + 16 * i; ++x) {
        const bool dark = R(At(img, x, y)) < 200;
        cell.push_back(dark);
        ink += dark;
      }
    }
    inked += ink > 3;
    shapes.insert(cell);
  }
  EXPECT_GE(inked, 9);  // the question mark may sit off its cell
  EXPECT_GE(shapes.size(), 9u);
}

TEST(SkinPixels, HoverAndScreenCapture) {
  CImage normal, hot, screen;
  ASSERT_TRUE(Render(L"--skin MainWnd.xml --page 0", L"mainWnd_page0.png", normal));
  ASSERT_TRUE(Render(L"--skin MainWnd.xml --page 0 --hover defaultInstallBtn", L"mainWnd_page0_hot.png", hot));
  EXPECT_EQ(At(normal, 190, 240) & 0xFFFFFF, 0x1675FEu);
  EXPECT_EQ(At(hot, 190, 240) & 0xFFFFFF, 0x5A9DFDu);  // hotbkcolor
  // The screen shows the native text field over the skin.
  ASSERT_TRUE(Render(L"--skin MainWnd.xml --page 1 --screen", L"mainWnd_page1_screen.png", screen));
  EXPECT_EQ(screen.width, 600);
  EXPECT_EQ(At(screen, 485, 200) & 0xFFFFFF, 0x1675FEu);
  EXPECT_GT(InkIn(screen, RECT{138, 195, 460, 225}), 20);
}

TEST(SkinPixels, ViewerOutcomes) {
  CImage img;
  DWORD code = 0;
  EXPECT_FALSE(Render(L"--nonsense", L"none.png", img, &code));
  EXPECT_EQ(code, 2u);
}
