// The markup's value forms and how the builder reads a skin.
#include <gtest/gtest.h>

#include <string>

#include "test_window.h"
#include "toolkit/button.h"
#include "toolkit/label.h"
#include "toolkit/layouts.h"
#include "toolkit/progress.h"
#include "toolkit/skin_archive.h"
#include "toolkit/skin_builder.h"
#include "toolkit/skin_values.h"

using namespace SkinUI;

namespace {
std::string N(const std::wstring& w) { return std::string(w.begin(), w.end()); }
bool Same(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }
}  // namespace

TEST(MarkupValues, Colours) {
  struct Case {
    const wchar_t* text;
    uint32_t value;
  } cases[] = {
      {L"#FF1675FE", 0xFF1675FE},
      {L"0xFF1675FE", 0xFF1675FE},
      {L"FF1675FE", 0xFF1675FE},
      {L"#ff1675fe", 0xFF1675FE},
      {L"#26003B76", 0x26003B76},
      {L"#FF0000", 0x00FF0000},  // six digits: alpha 0
      {L"#FFF", 0x00000FFF},
      {L"", 0},
      {L"#", 0},
      {L"#GG112233", 0},
      {L"-1", 0},
      {L"#FFFFFFFFFF", 0xFFFFFFFF},
      {L"#80FFFFFFzz", 0x80FFFFFF},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseColor(c.text), c.value) << N(c.text);
}

TEST(MarkupValues, RectanglesSizesAndNumbers) {
  struct Case {
    const wchar_t* text;
    RECT rect;
  } rects[] = {
      {L"0,1,16,17", {0, 1, 16, 17}}, {L" 9, 0 ,9,3", {9, 0, 9, 3}}, {L"-2,-3,4,5", {-2, -3, 4, 5}},
      {L"1,2", {1, 2, 0, 0}},         {L"", {0, 0, 0, 0}},           {L"a,b,c,d", {0, 0, 0, 0}},
      {L"1,x,3,4", {1, 0, 0, 0}},     {L"1,2,3,4,5", {1, 2, 3, 4}},
  };
  for (const auto& c : rects) EXPECT_TRUE(Same(ParseRect(c.text), c.rect)) << N(c.text);

  struct SizeCase {
    const wchar_t* text;
    long cx, cy;
  } sizes[] = {{L"600,400", 600, 400}, {L"1,0", 1, 0}, {L"3", 3, 0}, {L"", 0, 0}, {L"x,5", 0, 0}};
  for (const auto& c : sizes) {
    const SIZE s = ParseSize(c.text);
    EXPECT_EQ(s.cx, c.cx) << N(c.text);
    EXPECT_EQ(s.cy, c.cy) << N(c.text);
  }
  EXPECT_EQ(ParseInt(L"42"), 42);
  EXPECT_EQ(ParseInt(L"junk"), 0);
}

TEST(MarkupValues, FlagsAndAlignment) {
  EXPECT_TRUE(ParseFlag(L"true"));
  for (const wchar_t* v : {L"True", L"TRUE", L"1", L"yes", L"", L"true "}) EXPECT_FALSE(ParseFlag(v)) << N(v);
  EXPECT_TRUE(ParseFlagAnyCase(L"TRUE"));
  EXPECT_TRUE(ParseFlagAnyCase(L"True"));
  EXPECT_FALSE(ParseFlagAnyCase(L"truex"));

  struct HCase {
    const wchar_t* text;
    HAlign from, to;
  } h[] = {{L"left", HAlign::Center, HAlign::Left},   {L"center", HAlign::Left, HAlign::Center},
           {L"right", HAlign::Left, HAlign::Right},   {L"textright", HAlign::Left, HAlign::Right},
           {L"middle", HAlign::Right, HAlign::Right}, {L"", HAlign::Center, HAlign::Center}};
  for (const auto& c : h) EXPECT_EQ(ParseHAlign(c.text, c.from), c.to) << N(c.text);
  struct VCase {
    const wchar_t* text;
    VAlign from, to;
  } v[] = {{L"top", VAlign::Center, VAlign::Top},
           {L"bottom", VAlign::Center, VAlign::Bottom},
           {L"vcenter", VAlign::Top, VAlign::Center},
           {L"center", VAlign::Center, VAlign::Center},  // not a keyword: the default stays
           {L"center", VAlign::Top, VAlign::Top},
           {L"xbottomx", VAlign::Top, VAlign::Bottom}};
  for (const auto& c : v) EXPECT_EQ(ParseVAlign(c.text, c.from), c.to) << N(c.text);
}

TEST(MarkupValues, ImageStrings) {
  struct Case {
    const wchar_t* text;
    const wchar_t* file;
    RECT dest, source, corner;
    bool hasMask;
    uint32_t mask;
    int fade;
    bool hole, xtiled, ytiled;
  } cases[] = {
      {L"res\\mainWnd\\logo.png", L"res\\mainWnd\\logo.png", {}, {}, {}, false, 0, 255, false, false, false},
      {L"file='res\\mainWnd\\backBtn1.png' dest='0,1,16,17'",
       L"res\\mainWnd\\backBtn1.png",
       {0, 1, 16, 17},
       {},
       {},
       false,
       0,
       255,
       false,
       false,
       false},
      {L"file='a.png' corner='2,2,2,2' mask='#FF0000' fade='255' xtiled='false' ytiled='false'",
       L"a.png",
       {},
       {},
       {2, 2, 2, 2},
       true,
       0x00FF0000,
       255,
       false,
       false,
       false},
      {L"file='a.png' source='1,2,3,4' mask='FFFF00FF' fade='128' hole='true' xtiled='true' ytiled='true'",
       L"a.png",
       {},
       {1, 2, 3, 4},
       {},
       true,
       0xFFFF00FF,
       128,
       true,
       true,
       true},
      {L"  file = 'sp ace.png'   fade='999' ", L"sp ace.png", {}, {}, {}, false, 0, 255, false, false, false},
      {L"file='a.png' fade='-5' hole='True' bogus='1' dest", L"a.png", {}, {}, {}, false, 0, 0, false, false, false},
      {L"file='unterminated.png", L"unterminated.png", {}, {}, {}, false, 0, 255, false, false, false},
      {L"dest='1,1,2,2'", L"", {1, 1, 2, 2}, {}, {}, false, 0, 255, false, false, false},
      {L"FILE='upper.png' DEST='1,2,3,4'", L"upper.png", {1, 2, 3, 4}, {}, {}, false, 0, 255, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(N(c.text));
    const ImageDesc s = ParseImageString(c.text);
    EXPECT_EQ(s.file, c.file);
    EXPECT_TRUE(Same(s.dest, c.dest));
    EXPECT_TRUE(Same(s.source, c.source));
    EXPECT_TRUE(Same(s.corner, c.corner));
    EXPECT_EQ(s.hasMask, c.hasMask);
    EXPECT_EQ(s.mask, c.mask);
    EXPECT_EQ(s.fade, c.fade);
    EXPECT_EQ(s.hole, c.hole);
    EXPECT_EQ(s.xtiled, c.xtiled);
    EXPECT_EQ(s.ytiled, c.ytiled);
  }
}

TEST(MarkupValues, DefaultAttributeLists) {
  const auto list = ParseAttributeList(L"textcolor=\"#FF000000\"  bkcolor='#FFFFFFFF' bad=unquoted x=\"y\"");
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].first, L"textcolor");
  EXPECT_EQ(list[0].second, L"#FF000000");
  EXPECT_EQ(list[1].second, L"#FFFFFFFF");
  EXPECT_TRUE(ParseAttributeList(L"a=\"never closed").empty());
}

TEST(SkinBuilder, ReadsWindowElementFontsDefaultsAndIgnoresCase) {
  CTestWindow w(L"paint.xml");
  ASSERT_TRUE(w.Open());
  ASSERT_TRUE(w.IsSkinBuilt());
  EXPECT_EQ(w.initCalls, 1);
  CPaintManager& pm = w.PaintManager();
  RECT client;
  GetClientRect(w.GetHWND(), &client);
  EXPECT_EQ(client.right, 200);
  EXPECT_EQ(client.bottom, 100);
  EXPECT_TRUE(Same(pm.GetCaptionRect(), RECT{0, 0, 0, 30}));
  EXPECT_EQ(pm.GetRoundCorner().cx, 4);
  // Attributes the toolkit does not interpret are kept for the window.
  EXPECT_EQ(w.GetWindowAttribute(L"myattr"), L"hello");
  EXPECT_EQ(w.GetWindowAttribute(L"ShowShadow"), L"true");
  EXPECT_FALSE(pm.HasWindowAttribute(L"size"));
  EXPECT_FALSE(pm.HasWindowAttribute(L"caption"));
  EXPECT_EQ(w.GetWindowAttribute(L"shadowsize"), L"");
  // Fonts: "size" in pixels, styles true in any case.
  EXPECT_EQ(pm.GetFontInfo(3).size, 20);
  EXPECT_TRUE(pm.GetFontInfo(3).bold);
  EXPECT_TRUE(pm.GetFontInfo(3).underline);
  EXPECT_FALSE(pm.GetFontInfo(0).bold);
  EXPECT_EQ(pm.GetFontInfo(77).handle, pm.GetFontInfo(0).handle);  // unknown id: the default font
  // Default attributes apply first; the element's own come after them.
  auto* text = w.Find<CLabelControl>(L"text");
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->GetBkColor(), 0xFFFFFFFFu);
  auto* solid = w.Find<CLabelControl>(L"solid");
  ASSERT_NE(solid, nullptr);
  EXPECT_EQ(solid->GetBkColor(), 0xFFFF0000u);
  EXPECT_EQ(solid->GetTextColor(), 0xFF000000u);
  EXPECT_EQ(w.FindControl(L"solid")->GetClass(), L"Label");
}

TEST(SkinBuilder, ControlsOfEveryClass) {
  CTestWindow w(L"caption.xml");
  ASSERT_TRUE(w.Open());
  struct Case {
    const wchar_t* name;
    const wchar_t* cls;
  } cases[] = {{L"capLabel", L"Label"},    {L"capButton", L"Button"}, {L"capOption", L"Option"},
               {L"capCheck", L"CheckBox"}, {L"capText", L"Text"},     {L"capSpacer", L"Control"}};
  for (const Case& c : cases) {
    ASSERT_NE(w.FindControl(c.name), nullptr) << N(c.name);
    EXPECT_EQ(w.FindControl(c.name)->GetClass(), c.cls);
  }
  EXPECT_EQ(w.FindControl(L"nothere"), nullptr);
  EXPECT_EQ(w.FindControl(L""), nullptr);
}

TEST(SkinBuilder, UnknownElementsGoToTheCallbackAndNullLeavesThemOut) {
  CTestWindow w(L"sequence.xml");
  ASSERT_TRUE(w.Open());
  ASSERT_NE(w.FindControl(L"seqLbl"), nullptr);
  EXPECT_EQ(w.FindControl(L"seqLbl")->GetClass(), L"SequenceLabel");
  ASSERT_NE(w.FindControl(L"seqBtn"), nullptr);  // element name in lower case
  EXPECT_EQ(w.FindControl(L"seqBtn")->GetClass(), L"SequenceButton");
  EXPECT_EQ(w.FindControl(L"unknown"), nullptr);
  EXPECT_EQ(w.FindControl(L"insideUnknown"), nullptr);
}

TEST(SkinBuilder, UnknownAttributesHaveNoEffect) {
  // The product's skins carry three names the toolkit does not know.
  const char* skin = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="100,40">
  <HorizontalLayout>
    <Button name="plain" width="50" text="a" textcolor="#FF1890FF" bordercolor="#FF1890FF" bordersize="1" />
    <Button name="odd" width="50" text="a" textcolor="#FF1890FF" bordercolor="#FF1890FF" bordersize="1"
            hotborercolor="#FFFF0000" pushedbordercolor="#FF00FF00" isstretchfore="true" whatever="x" />
  </HorizontalLayout>
</Window>)";
  CTestWindow w(L"exitTipWnd.xml");
  ASSERT_TRUE(w.Open());
  CSkinBuilder builder;
  CControl* root = builder.CreateFromText(skin, nullptr, &w.PaintManager());
  ASSERT_NE(root, nullptr);
  w.PaintManager().AttachRoot(root);
  w.PaintManager().SetInitSize(100, 40);
  CImage img;
  w.PaintManager().RenderToImage(img);
  ASSERT_EQ(img.width, 100);
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 50; ++x) {
      ASSERT_EQ(img.pixels[y * 100 + x], img.pixels[y * 100 + x + 50]) << x << "," << y;
    }
  }
}

TEST(SkinBuilder, NestingBeyondAnyRealSkinIsCutOff) {
  std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?><Window size=\"50,50\">";
  for (int i = 0; i < 5000; ++i) xml += "<VerticalLayout name=\"v" + std::to_string(i) + "\">";
  for (int i = 0; i < 5000; ++i) xml += "</VerticalLayout>";
  xml += "</Window>";
  CTestWindow w(L"exitTipWnd.xml");
  ASSERT_TRUE(w.Open());
  CSkinBuilder builder;
  CControl* root = builder.CreateFromText(xml, nullptr, &w.PaintManager());
  ASSERT_NE(root, nullptr);
  w.PaintManager().AttachRoot(root);
  EXPECT_NE(w.FindControl(L"v10"), nullptr);
  EXPECT_EQ(w.FindControl(L"v4999"), nullptr);
}

TEST(SkinBuilder, ParserErrorsAreRecordedNotShown) {
  CSkinBuilder builder;
  EXPECT_EQ(builder.CreateFromText("<Window><Label></Window>", nullptr, nullptr), nullptr);
  EXPECT_FALSE(builder.LastError().empty());
  EXPECT_EQ(builder.CreateFromText("", nullptr, nullptr), nullptr);
  EXPECT_EQ(builder.CreateFromText("<Dialog><Label/></Dialog>", nullptr, nullptr), nullptr);
  EXPECT_EQ(builder.LastError(), L"No Window element");
  ASSERT_TRUE(SkinUI::CSkinArchive::Instance().OpenFromResource(::GetModuleHandleW(nullptr), 147));
  EXPECT_EQ(builder.Create(L"nothere.xml", SkinResourceKind::Packed, nullptr, nullptr), nullptr);
  EXPECT_EQ(builder.LastError(), L"Could not find ziped file");
}
