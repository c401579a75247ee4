// Frame-sequence controls: the step rule as tables, the safe frame
// formatter, the defaults of both classes and the controls in a window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_window.h"
#include "ui/sequence_controls.h"

using namespace SkinUI;

namespace {

std::vector<int> Ticks(CFrameSequence s, int ticks, int* stoppedAt = nullptr) {
  std::vector<int> shown;
  for (int i = 0; i < ticks; ++i) {
    bool stop = false;
    const int f = s.Tick(stop);
    if (f >= 0) shown.push_back(f);
    if (stop) {
      if (stoppedAt != nullptr) *stoppedAt = i;
      break;
    }
  }
  return shown;
}

CFrameSequence Seq(int count, bool loop, bool bounce, const wchar_t* pattern = L"f%d.png") {
  CFrameSequence s;
  s.pattern = pattern;
  s.count = count;
  s.loop = loop;
  s.bounce = bounce;
  return s;
}

}  // namespace

TEST(FrameSequence, ThreeFrames) {
  struct Case {
    const char* what;
    bool loop, bounce;
    std::vector<int> frames;
    int stoppedAt;  // tick at which the timer stops, -1 never
  } cases[] = {
      {"looping bounce", true, true, {0, 1, 2, 1, 0, 1, 2, 1, 0}, -1},
      {"looping one way", true, false, {0, 1, 2, 0, 1, 2, 0, 1, 2}, -1},
      {"one way without loop", false, false, {0, 1, 2}, 3},
      {"bounce without loop", false, true, {0, 1, 2, 1}, 4},
  };
  for (const Case& c : cases) {
    int stopped = -1;
    EXPECT_EQ(Ticks(Seq(3, c.loop, c.bounce), 9, &stopped), c.frames) << c.what;
    EXPECT_EQ(stopped, c.stoppedAt) << c.what;
  }
}

TEST(FrameSequence, EdgeCases) {
  EXPECT_EQ(Ticks(Seq(0, true, false), 4), (std::vector<int>{0, 0, 0, 0}));
  EXPECT_EQ(Ticks(Seq(1, true, false), 4), (std::vector<int>{0, 0, 0, 0}));
  // Bounce needs two frames; with fewer the sequence runs one way.
  EXPECT_EQ(Ticks(Seq(1, true, true), 4), (std::vector<int>{0, 0, 0, 0}));
  EXPECT_EQ(Ticks(Seq(2, true, true), 5), (std::vector<int>{0, 1, 0, 1, 0}));
  EXPECT_TRUE(Ticks(Seq(3, true, true, L""), 5).empty());  // no pattern: nothing shown, timer kept
  int stopped = -1;
  Ticks(Seq(3, true, true, L""), 5, &stopped);
  EXPECT_EQ(stopped, -1);
}

TEST(FrameSequence, AttributesAndTheirSwitchRule) {
  CFrameSequence s;
  struct Case {
    const wchar_t* name;
    const wchar_t* value;
    bool taken;
  } cases[] = {
      {L"sequencebkimage", L"a%d.png", true},
      {L"SequenceCount", L"12", true},
      {L"SEQUENCESPAN", L"45", true},
      {L"sequenceloop", L"False", true},
      {L"autostart", L"0", true},
      {L"sequenceround", L"false", true},
      {L"SequenceBkImage", L"b%d.png", false},  // this one name matches exactly
      {L"text", L"x", false},
  };
  for (const Case& c : cases) EXPECT_EQ(s.SetAttribute(c.name, c.value), c.taken);
  EXPECT_EQ(s.pattern, L"a%d.png");
  EXPECT_EQ(s.count, 12);
  EXPECT_EQ(s.period, 45);
  EXPECT_TRUE(s.loop);       // "False" is not "false"
  EXPECT_TRUE(s.autostart);  // anything but "false" is on
  EXPECT_FALSE(s.bounce);
}

TEST(FrameSequence, FramesAreFormattedSafely) {
  struct Case {
    const wchar_t* pattern;
    int frame;
    const wchar_t* out;
  } cases[] = {
      {L"file='res\\a%d.png' dest='0,0,10,10'", 2, L"file='res\\a2.png' dest='0,0,10,10'"},
      {L"a%02d.png", 7, L"a07.png"},
      {L"a%3d.png", 7, L"a  7.png"},
      {L"a%-3d.png", 7, L"a7  .png"},
      {L"a%i_%u.png", 4, L"a4_%u.png"},  // one number only
      {L"same.png", 5, L"same.png"},
      {L"100%%_%d", 1, L"100%_1"},
      {L"%s%s%n%x%d", 3, L"%s%s%n%x3"},
      {L"%", 1, L"%"},
      {L"%999999999d", 1, L"%999999999d"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CFrameSequence::FormatFrame(c.pattern, c.frame), c.out)
        << std::string(c.pattern, c.pattern + wcslen(c.pattern));
  }
  EXPECT_EQ(CFrameSequence::FormatFrame(std::wstring(400, L'x') + L"%d", 1).size(), 259u);
}

TEST(SequenceControls, DefaultsAndFactory) {
  CSequenceButton button;
  CSequenceLabel label;
  EXPECT_EQ(button.GetClass(), L"SequenceButton");
  EXPECT_EQ(label.GetClass(), L"SequenceLabel");
  struct Row {
    const CFrameSequence& s;
    int period;
    bool bounce;
  } rows[] = {{button.Sequence(), 60, true}, {label.Sequence(), 30, false}};
  for (const Row& r : rows) {
    EXPECT_EQ(r.s.count, 0);
    EXPECT_EQ(r.s.period, r.period);
    EXPECT_FALSE(r.s.autostart);
    EXPECT_TRUE(r.s.loop);
    EXPECT_EQ(r.s.bounce, r.bounce);
    EXPECT_TRUE(r.s.forward);
    EXPECT_EQ(r.s.next, 0);
    EXPECT_TRUE(r.s.pattern.empty());
  }
  for (const wchar_t* name : {L"SequenceButton", L"sequencebutton", L"SEQUENCELABEL"}) {
    std::unique_ptr<CControl> c(CreateSequenceControl(name));
    ASSERT_NE(c, nullptr);
  }
  EXPECT_EQ(CreateSequenceControl(L"Button"), nullptr);
  EXPECT_EQ(CreateSequenceControl(L"SequenceLabels"), nullptr);
}

TEST(SequenceControls, PlayInAWindow) {
  CTestWindow w(L"sequence.xml");
  ASSERT_TRUE(w.Open());
  CPaintManager& pm = w.PaintManager();
  auto* label = w.Find<CSequenceLabel>(L"seqLbl");
  auto* button = w.Find<CSequenceButton>(L"seqBtn");
  auto* once = w.Find<CSequenceLabel>(L"seqAuto");
  ASSERT_TRUE(label && button && once);
  EXPECT_FALSE(pm.HasTimer(label, kSequenceTimerId));  // no autostart
  EXPECT_TRUE(pm.HasTimer(button, kSequenceTimerId));
  EXPECT_EQ(button->Sequence().count, 3);            // upper-case attribute name
  EXPECT_FALSE(button->Sequence().bounce == false);  // "False" keeps bounce on

  // One way without loop: frames 0, 1, 2, then the timer goes and 2 stays.
  ASSERT_TRUE(PumpUntil([&] { return !pm.HasTimer(once, kSequenceTimerId); }));
  EXPECT_EQ(once->GetBkImage(), L"file='res\\test\\frame2.png'");

  std::vector<std::wstring> seen;
  w.onNotify = [&](TNotify& n) {
    if (n.type == L"timer" && n.sender == label) seen.push_back(label->GetBkImage());
  };
  label->Start();
  EXPECT_TRUE(pm.HasTimer(label, kSequenceTimerId));
  ASSERT_TRUE(PumpUntil([&] { return seen.size() >= 5; }));
  // "timer" goes out before the frame moves: each record shows the frame
  // of the tick before.
  const std::vector<std::wstring> expected = {L"", L"file='res\\test\\frame0.png'", L"file='res\\test\\frame1.png'",
                                              L"file='res\\test\\frame2.png'", L"file='res\\test\\frame0.png'"};
  EXPECT_EQ(std::vector<std::wstring>(seen.begin(), seen.begin() + 5), expected);
  label->Stop();
  EXPECT_FALSE(pm.HasTimer(label, kSequenceTimerId));
  label->Start();  // restarts at frame 0
  EXPECT_EQ(label->Sequence().next, 0);
  w.onNotify = nullptr;
}
