// Rectangles of every named control of the product's skins, each worked out
// by hand from the layout description of its window:
//  - main window 600x400: title row 45 high (10 gap, titleTabLt 200, flexible
//    gap, 10 gap, a 60-wide column with titleGrpCtn 20 from its top, 20 right
//    margin); below it a row of 1 gap, mainTabLt, 1 gap, so every page is the
//    rectangle (1,45)-(599,400), 598 wide and 355 high;
//  - a row "centred" is flexible gap, content, flexible gap: the left gap
//    gets half of what is left, rounded down;
//  - fixed-height controls in a row sit in its vertical middle (rounded
//    towards the top).
#include <gtest/gtest.h>

#include <string>

#include "test_window.h"
#include "toolkit/label.h"
#include "toolkit/layouts.h"
#include "toolkit/skin_builder.h"

using namespace SkinUI;

namespace {

struct Expected {
  const wchar_t* name;
  RECT rect;  // all zeros: not laid out (hidden or on a page not shown)
};

std::string N(const std::wstring& w) { return std::string(w.begin(), w.end()); }

void Check(CTestWindow& w, const std::vector<Expected>& table) {
  w.PaintManager().LayoutNow();
  for (const Expected& e : table) {
    CControl* c = w.FindControl(e.name);
    ASSERT_NE(c, nullptr) << N(e.name);
    const RECT& r = c->GetPos();
    EXPECT_TRUE(EqualRect(&r, &e.rect)) << N(e.name) << ": got " << r.left << "," << r.top << "," << r.right << ","
                                        << r.bottom << " want " << e.rect.left << "," << e.rect.top << ","
                                        << e.rect.right << "," << e.rect.bottom;
  }
}

void Select(CTestWindow& w, const wchar_t* tab, int index) {
  auto* t = w.Find<CTabLayout>(tab);
  ASSERT_NE(t, nullptr);
  ASSERT_TRUE(t->SelectItem(index, false));
}

const RECT kNone{0, 0, 0, 0};

}  // namespace

TEST(SkinLayout, MainWindowTitleArea) {
  CTestWindow w(L"MainWnd.xml");
  ASSERT_TRUE(w.Open());
  Check(w, {
               {L"winCtn", {0, 0, 600, 400}},
               {L"titleTabLt", {10, 0, 210, 45}},
               {L"backBtn", kNone},  // title page 0 shows no back button
               {L"titleGrpCtn", {520, 20, 580, 44}},
               {L"minbtn", {520, 20, 544, 44}},
               {L"closebtn", {556, 20, 580, 44}},
               {L"mainTabLt", {1, 45, 599, 400}},
           });
  Select(w, L"titleTabLt", 1);
  Check(w, {{L"backBtn", {10, 20, 74, 40}}});
}

TEST(SkinLayout, MainWindowPages) {
  CTestWindow w(L"MainWnd.xml");
  ASSERT_TRUE(w.Open());
  // Page 0, from the top: 60 gap, logo row 105-185, 50 gap, button row
  // 235-288, flexible 288-326, tip row 326-358, 4 gap, option row 362-380,
  // 20 gap. customeBtn (20 high) in the 18-high row: 362 - 1.
  Check(w, {
               {L"bTitleLbl1", {225, 112, 475, 178}},  // (598 - 350) / 2 = 124: logo 125-205, label 225-475
               {L"defaultInstallBtn", {183, 235, 417, 288}},
               {L"tipLbl", kNone},
               {L"treatyCb", kNone},
               {L"treatyBtn", kNone},
               {L"customeBtn", {489, 361, 589, 381}},  // 599 - 10 - 100
               {L"installDirEdit", kNone},
               {L"progressLb", kNone},
               {L"openProduceBtn", kNone},
           });
  // Page 1: 30 gap, logo row 75-155, 35 gap, folder row 190-230, 20 gap,
  // option row 250-268, 49 gap, button row 317-367.
  Select(w, L"mainTabLt", 1);
  Check(w, {
               {L"bTitleLbl2", {225, 82, 475, 148}},
               {L"installDirEdit", {129, 190, 469, 230}},  // 1 + 52 + 70 + 6
               {L"chDirBtn", {479, 190, 560, 230}},
               {L"createDSCb", {125, 250, 263, 268}},  // 1 + 52 + 66 + 6
               {L"createQSCb", {283, 250, 421, 268}},
               {L"customeInstallBtn", {183, 317, 417, 367}},
               {L"defaultInstallBtn", kNone},
           });
  // Page 2: 253 gap, text row 298-322, 20 gap, bar row 342-350.
  Select(w, L"mainTabLt", 2);
  Check(w, {
               {L"progressLb", {120, 298, 480, 322}},  // (598 - 360) / 2 = 119
               {L"installPrg", {95, 342, 505, 350}},   // (598 - 410) / 2 = 94
               {L"installDirEdit", kNone},
           });
  // Page 3: 75 gap, title row 120-171, 76 gap, button row 247-297, 62 gap,
  // logo row 359-389: 30 + 7 + 100 = 137, (598 - 137) / 2 = 230.
  Select(w, L"mainTabLt", 3);
  Check(w, {
               {L"openProduceBtn", {183, 247, 417, 297}},
               {L"bTitleLbl3", {268, 361, 368, 386}},
               {L"progressLb", kNone},
           });
}

TEST(SkinLayout, MainWindowTitleLabelsFitTheProductName) {
  // The window gives the three title labels the width "Lumavox" takes in
  // their font; the centred rows follow.
  CTestWindow w(L"MainWnd.xml");
  ASSERT_TRUE(w.Open());
  struct Case {
    const wchar_t* label;
    int page;
    long fixedBefore;  // width of the row's other content
    long rowTop, top, height;
  } cases[] = {
      {L"bTitleLbl1", 0, 100, 105, 112, 66},
      {L"bTitleLbl2", 1, 100, 75, 82, 66},
      {L"bTitleLbl3", 3, 37, 359, 361, 25},
  };
  for (const Case& c : cases) {
    auto* label = w.Find<CLabelControl>(c.label);
    ASSERT_NE(label, nullptr);
    const int width = w.PaintManager().MeasureText(label->GetFont(), L"Lumavox").cx;
    ASSERT_GT(width, 0);
    EXPECT_EQ(label->MeasureTextWidth(L"Lumavox"), width);  // no text padding on these
    label->SetFixedWidth(width);
    label->SetText(L"Lumavox");
    Select(w, L"mainTabLt", c.page);
    const long left = 1 + (598 - (c.fixedBefore + width)) / 2 + c.fixedBefore;
    Check(w, {{c.label, {left, c.top, left + width, c.top + c.height}}});
  }
}

TEST(SkinLayout, PromptWindows) {
  struct Case {
    const wchar_t* skin;
    long width, height;
    std::vector<Expected> table;
  } cases[] = {
      // Title bar 40: 20 gap, label and gap share 304; close 24 at 8.
      // Body: 29 gap, icon row 69-109, 20 gap, buttons 129-161 with
      // 76 + 20 + 76 + 20 at the right.
      {L"ExitTipWnd.xml",
       360,
       180,
       {{L"closebtn", {324, 8, 348, 32}}, {L"okBtn", {168, 129, 244, 161}}, {L"cancelBtn", {264, 129, 340, 161}}}},
      // Title bar 30 (label margin 10; label and gap share 314), close at 3.
      // Body: 30 gap, icon row 60-100, flexible 100-130, buttons row
      // 130-160 with 32-high buttons at 129, 20 gap.
      {L"NetworkTipWnd.xml",
       360,
       180,
       {{L"closebtn", {324, 3, 348, 27}}, {L"cancelBtn", {183, 129, 259, 161}}, {L"okBtn", {269, 129, 345, 161}}}},
      // The root covers the whole 400-wide window. Body: 29 gap, icon row
      // 59-99, 28 gap, buttons 127-159: 100 + 15 + 110 + 5 at the right.
      {L"InstalledPathTipWnd.xml",
       400,
       180,
       {{L"closebtn", {364, 3, 388, 27}}, {L"cancelBtn", {170, 127, 270, 159}}, {L"okBtn", {285, 127, 395, 159}}}},
      // 23 gap, caption (margin 10) and gap share 291 (145 and 146).
      {L"MessageBox1Wnd.xml",
       360,
       100,
       {{L"captionLbl", {33, 0, 178, 30}}, {L"closebtn", {324, 3, 348, 27}}, {L"textLbl", {24, 30, 360, 100}}}},
      {L"MessageBox2Wnd.xml",
       360,
       180,
       {{L"captionLbl", {10, 0, 167, 30}}, {L"closebtn", {324, 3, 348, 27}}, {L"textLbl", {1, 30, 359, 180}}}},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(N(c.skin));
    CTestWindow w(c.skin);
    ASSERT_TRUE(w.Open());
    RECT client;
    GetClientRect(w.GetHWND(), &client);
    EXPECT_EQ(client.right, c.width);
    EXPECT_EQ(client.bottom, c.height);
    Check(w, c.table);
  }
}

TEST(SkinLayout, StackRules) {
  // Fixed sizes and paddings first, the rest shared, the last flexible
  // child taking the remainder; hidden children take no room.
  const char* skin = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="103,60">
  <VerticalLayout inset="1,2,0,0">
    <HorizontalLayout name="row" height="20" childpadding="1">
      <Control name="a" width="10" padding="2,0,3,0" />
      <Control name="b" />
      <Control name="c" width="40" visible="false" />
      <Control name="d" />
      <Control name="e" width="10" height="30" />
    </HorizontalLayout>
    <Control name="f" width="50" padding="4,5,0,0" />
    <Control name="g" height="0" />
  </VerticalLayout>
</Window>)";
  CTestWindow w(L"exitTipWnd.xml");
  ASSERT_TRUE(w.Open());
  CSkinBuilder builder;
  CControl* root = builder.CreateFromText(skin, nullptr, &w.PaintManager());
  ASSERT_NE(root, nullptr);
  w.PaintManager().AttachRoot(root);
  // Row inner width 102: fixed 10 + 5 (padding) + 10 + 3 gaps = 28, so b and
  // d share 74 (37 each). f and g share 60 - 2 - 20 - 5 = 33 (16 and 17).
  Check(w, {
               {L"row", {1, 2, 103, 22}},
               {L"a", {3, 2, 13, 22}},
               {L"b", {17, 2, 54, 22}},
               {L"c", kNone},
               {L"d", {55, 2, 92, 22}},
               {L"e", {93, -3, 103, 27}},
               {L"f", {5, 27, 55, 43}},
               {L"g", {1, 43, 103, 60}},
           });
}
