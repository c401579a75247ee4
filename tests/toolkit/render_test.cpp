// What the back buffer holds after painting: colours, images with their
// image-string keys, missing and broken images, rounded fills, borders,
// text, the window region, and which part a change repaints.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "test_window.h"
#include "toolkit/label.h"
#include "toolkit/progress.h"
#include "toolkit/skin_image.h"

using namespace SkinUI;

namespace {

uint32_t Straight(const CImage& img, int x, int y) { return Unpremultiply(img.pixels[y * img.width + x]); }

bool Near(uint32_t a, uint32_t b, int tolerance) {
  for (int shift = 0; shift < 32; shift += 8) {
    if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > tolerance) {
      return false;
    }
  }
  return true;
}

}  // namespace

TEST(SkinPainting, ColoursAndImageStrings) {
  CTestWindow w(L"paint.xml");
  ASSERT_TRUE(w.Open());
  CImage img;
  w.PaintManager().RenderToImage(img);
  ASSERT_EQ(img.width, 200);
  ASSERT_EQ(img.height, 100);
  const uint32_t kRoot = 0xFF102030, kWhite = 0xFFFFFFFF, kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;
  struct Probe {
    int x, y;
    uint32_t colour;
    int tolerance;
    const char* what;
  } probes[] = {
      {10, 25, kRed, 0, "background colour"},
      {30, 25, kGreen, 0, "missing image: only the colour"},
      {50, 25, kBlue, 0, "unreadable image: only the colour"},
      {65, 25, kWhite, 0, "mask colour made transparent (label default white shows)"},
      {75, 25, 0xFF008000, 0, "other pixel of the masked image"},
      {85, 25, kRed, 0, "six-digit mask never matches an opaque pixel"},
      {100, 0, kRed, 0, "nine-grid corner"},
      {101, 1, kRed, 0, "nine-grid corner"},
      {129, 49, kRed, 0, "nine-grid corner, bottom right"},
      {115, 0, kGreen, 0, "nine-grid edge stretched"},
      {100, 25, kGreen, 0, "nine-grid edge stretched"},
      {115, 25, kBlue, 0, "nine-grid centre"},
      {145, 25, kWhite, 0, "hole: centre not drawn"},
      {145, 1, kGreen, 0, "hole keeps the edges"},
      {170, 25, 0xFF7F7FFF, 2, "fade 128 over white"},
      {187, 7, kBlue, 0, "dest offset inside the control"},
      {182, 2, kWhite, 0, "outside dest"},
      {195, 20, kWhite, 0, "outside dest"},
      {0, 50, kRed, 0, "tiled image"},
      {2, 52, kRed, 0, "tiled image repeats every 2 pixels"},
      {1, 50, 0xFF7F7FFF, 2, "half-transparent pixel over white"},
      {0, 51, kWhite, 0, "fully transparent pixel"},
      {30, 75, 0xFF7F7F7F, 2, "black at half alpha over white"},
      {40, 50, kRoot, 0, "rounded corner leaves the parent's colour"},
      {55, 75, 0xFF1675FE, 0, "rounded fill"},
      {70, 75, kRed, 0, "border"},
      {71, 75, kRed, 0, "border is 2 wide"},
      {72, 75, kGreen, 0, "inside the border"},
      {170, 60, kRoot, 0, "a hidden control takes no room and is not drawn"},
      {165, 75, kBlue, 0, "progress foreground up to the value"},
      {195, 75, kWhite, 0, "progress beyond the value"},
  };
  for (const Probe& p : probes) {
    const uint32_t got = Straight(img, p.x, p.y);
    EXPECT_TRUE(Near(got, p.colour, p.tolerance))
        << p.what << " at " << p.x << "," << p.y << ": " << std::hex << got << " want " << p.colour;
  }
  // The window region (corner ellipse 4,4) cuts the corners away.
  EXPECT_EQ(img.pixels[0] >> 24, 0u);
  EXPECT_EQ(img.pixels[199] >> 24, 0u);
  EXPECT_EQ(img.pixels[99 * 200 + 199] >> 24, 0u);
  EXPECT_EQ(img.pixels[50 * 200 + 100] >> 24, 255u);
}

TEST(SkinPainting, ChineseTextIsDrawnWithRealGlyphs) {
  CTestWindow w(L"paint.xml");
  ASSERT_TRUE(w.Open());
  auto* label = w.Find<CLabelControl>(L"text");
  ASSERT_NE(label, nullptr);
  // The face the skins ask for has glyphs for the text (boxes otherwise).
  HDC dc = ::CreateCompatibleDC(nullptr);
  HGDIOBJ old = ::SelectObject(dc, w.PaintManager().GetFont(0));
  WORD glyphs[4] = {};
  ASSERT_EQ(::GetGlyphIndicesW(dc, L"测试文字", 4, glyphs, GGI_MARK_NONEXISTING_GLYPHS), 4u);
  ::SelectObject(dc, old);
  ::DeleteDC(dc);
  for (WORD g : glyphs) EXPECT_NE(g, 0xFFFF);
  for (int i = 1; i < 4; ++i) EXPECT_NE(glyphs[i], glyphs[0]);

  CImage img;
  w.PaintManager().RenderToImage(img);
  const RECT r = label->GetPos();
  int dark = 0, total = 0;
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) {
      ++total;
      dark += ((Straight(img, x, y) >> 8) & 0xFF) < 128;
    }
  }
  EXPECT_GT(dark, 40);
  EXPECT_LT(dark, total / 3);
}

TEST(SkinPainting, MultiLineTextBreaksBetweenChineseCharactersAndAtLineBreaks) {
  CTestWindow w(L"MessageBox1Wnd.xml");
  ASSERT_TRUE(w.Open());
  CPaintManager& pm = w.PaintManager();
  const int width = pm.MeasureText(1, L"安装程序检测到").cx;
  const auto lines = pm.BreakLines(1, L"安装程序检测到Lumavox\r\n正在运行，请退出程序后再安装", width);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], L"安装程序检测到");
  std::wstring joined;
  for (const auto& l : lines) {
    EXPECT_LE(pm.MeasureText(1, l).cx, width) << std::string(l.begin(), l.end());
    EXPECT_NE(l.substr(0, 1), L"，");  // closing punctuation never starts a line
    joined += l;
  }
  EXPECT_EQ(joined, L"安装程序检测到Lumavox正在运行，请退出程序后再安装");
  // A width too small for one character still makes progress.
  EXPECT_EQ(pm.BreakLines(1, L"安装", 1).size(), 2u);
  EXPECT_EQ(pm.BreakLines(1, L"", 100).size(), 1u);
}

TEST(SkinPainting, ImagesDecodePremultipliedWithTheMaskRule) {
  struct Case {
    const wchar_t* file;
    bool hasMask;
    uint32_t mask;
    uint32_t first;  // premultiplied
  } cases[] = {
      {L"res\\test\\quad.png", false, 0, 0xFFFF0000},
      {L"res\\test\\mask.png", true, 0xFFFF0000, 0},
      {L"res\\test\\mask.png", true, 0x00FF0000, 0xFFFF0000},
      {L"res\\test\\half.png", false, 0, 0x80000000},
  };
  for (const Case& c : cases) {
    auto img = LoadImageFile(c.file, c.hasMask, c.mask);
    ASSERT_TRUE(img);
    EXPECT_EQ(img->pixels[0], c.first);
  }
  auto quad = LoadImageFile(L"res\\test\\quad.png", false, 0);
  EXPECT_EQ(quad->pixels[1], 0x80000080u);  // blue at alpha 128
  EXPECT_EQ(quad->pixels[2], 0u);           // green at alpha 0
  EXPECT_FALSE(LoadImageFile(L"res\\test\\broken.png", false, 0));
  EXPECT_FALSE(LoadImageFile(L"res\\test\\nothere.png", false, 0));
  EXPECT_FALSE(DecodeImage(nullptr, 0, false, 0));
  const uint8_t junk[] = {0x89, 'P', 'N', 'G'};
  EXPECT_FALSE(DecodeImage(junk, sizeof junk, false, 0));
}

TEST(SkinPainting, ImagesComeFromTheArchiveThenFromFilePaths) {
  // Not in the archive: read from the path, relative to the current folder.
  wchar_t old[MAX_PATH];
  ::GetCurrentDirectoryW(MAX_PATH, old);
  const std::wstring dir = BuildDir() + L"tests\\toolkit\\";
  ASSERT_TRUE(::SetCurrentDirectoryW(dir.c_str()));
  const std::wstring file = L"disk_image_test.bmp";
  {
    // A 1x1 24-bit bitmap, blue.
    const uint8_t bmp[] = {'B', 'M', 58, 0, 0, 0, 0, 0, 0,  0, 54, 0, 0, 0, 40,   0, 0, 0, 1, 0,
                           0,   0,   1,  0, 0, 0, 1, 0, 24, 0, 0,  0, 0, 0, 4,    0, 0, 0, 0, 0,
                           0,   0,   0,  0, 0, 0, 0, 0, 0,  0, 0,  0, 0, 0, 0xFF, 0, 0, 0};
    HANDLE h = ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD n = 0;
    ::WriteFile(h, bmp, sizeof bmp, &n, nullptr);
    ::CloseHandle(h);
  }
  auto img = LoadImageFile(file, false, 0);
  ::DeleteFileW(file.c_str());
  ::SetCurrentDirectoryW(old);
  ASSERT_TRUE(img);
  EXPECT_EQ(img->pixels[0], 0xFF0000FFu);
}

TEST(SkinPainting, ImagesAreCachedPerWindowIncludingMisses) {
  CImageCache cache;
  auto a = cache.Get(L"res\\test\\nine.png", false, 0);
  auto b = cache.Get(L"RES/TEST/NINE.PNG", false, 0);
  EXPECT_EQ(a.get(), b.get());
  auto masked = cache.Get(L"res\\test\\nine.png", true, 0xFFFF0000);
  EXPECT_NE(a.get(), masked.get());
  EXPECT_FALSE(cache.Get(L"res\\test\\nothere.png", false, 0));
  EXPECT_EQ(cache.Size(), 3u);
  EXPECT_FALSE(cache.Get(L"res\\test\\nothere.png", false, 0));
  EXPECT_EQ(cache.Size(), 3u);
}

TEST(SkinPainting, AChangeRepaintsOnlyItsControl) {
  CTestWindow w(L"paint.xml");
  ASSERT_TRUE(w.Open());
  HWND h = w.GetHWND();
  ::UpdateWindow(h);
  const auto& stats = w.PaintManager().GetStats();
  ASSERT_GE(stats.paints, 1);
  auto* bar = w.Find<CProgressControl>(L"bar");
  const int before = stats.paints;
  bar->SetValue(80);
  ::UpdateWindow(h);
  EXPECT_EQ(stats.paints, before + 1);
  const RECT barRect = bar->GetPos();
  EXPECT_TRUE(EqualRect(&stats.lastPaint, &barRect));
  bar->SetValue(80);  // no change, no paint
  ::UpdateWindow(h);
  EXPECT_EQ(stats.paints, before + 1);
  EXPECT_EQ(bar->GetValue(), 80);
  bar->SetValue(250);
  EXPECT_EQ(bar->GetValue(), 100);
  bar->SetValue(-3);
  EXPECT_EQ(bar->GetValue(), 0);
}
