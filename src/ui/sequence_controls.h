#pragma once
// Controls that play a numbered series of images as a frame animation:
// a push button and a label. The toolkit's builder does not know their
// elements; a window's builder callback creates them (CreateSequenceControl).

#include <string>

#include "toolkit/button.h"
#include "toolkit/label.h"

// The timer that advances the frames, a control timer of the window.
constexpr unsigned kSequenceTimerId = 2100;

// Animation state and the rule that steps through the frames.
struct CFrameSequence {
  std::wstring pattern;  // image string with one integer placeholder, e.g. "res\x%d.png"
  int count = 0;
  int period = 60;  // milliseconds
  bool autostart = false;
  bool loop = true;
  bool bounce = true;  // forward then backward instead of restarting at 0
  bool forward = true;
  int next = 0;

  // One tick of the timer: the frame to show now, or -1 for none. stop is
  // set when the sequence has ended and its timer must go.
  int Tick(bool& stop);
  // Takes the animation attributes; false for any other name.
  bool SetAttribute(const std::wstring& name, const std::wstring& value);
  // The image string of a frame. Only the first integer conversion (%d,
  // %i or %u, with flags and width) takes the number and "%%" is a percent
  // sign; anything else is copied as it stands, so a skin's text can never
  // make the formatter read arguments that are not there. At most 259
  // characters.
  static std::wstring FormatFrame(const std::wstring& pattern, int frame);
};

class CSequenceButton : public SkinUI::CButtonControl {
 public:
  CSequenceButton();
  std::wstring GetClass() const override { return L"SequenceButton"; }

  const std::wstring& GetSequencePattern() const { return sequence_.pattern; }
  void SetSequencePattern(const std::wstring& pattern) { sequence_.pattern = pattern; }
  int GetSequenceCount() const { return sequence_.count; }
  void SetSequenceCount(int count) { sequence_.count = count; }
  int GetSequenceSpan() const { return sequence_.period; }
  void SetSequenceSpan(int period) { sequence_.period = period; }
  const CFrameSequence& Sequence() const { return sequence_; }
  // Restarts at frame 0 with the current period.
  void Start();
  void Stop();

  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void DoInit() override;
  void DoEvent(SkinUI::TEvent& event) override;

 private:
  void Step();
  CFrameSequence sequence_;
};

class CSequenceLabel : public SkinUI::CLabelControl {
 public:
  CSequenceLabel();
  ~CSequenceLabel() override;
  std::wstring GetClass() const override { return L"SequenceLabel"; }

  const std::wstring& GetSequencePattern() const { return sequence_.pattern; }
  void SetSequencePattern(const std::wstring& pattern) { sequence_.pattern = pattern; }
  int GetSequenceCount() const { return sequence_.count; }
  void SetSequenceCount(int count) { sequence_.count = count; }
  int GetSequenceSpan() const { return sequence_.period; }
  void SetSequenceSpan(int period) { sequence_.period = period; }
  const CFrameSequence& Sequence() const { return sequence_; }
  void Start();
  void Stop();

  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void DoInit() override;
  void DoEvent(SkinUI::TEvent& event) override;

 private:
  void Step();
  CFrameSequence sequence_;
};

// "SequenceButton" and "SequenceLabel" (ignoring case); null for any other
// element name. For windows' builder callbacks.
SkinUI::CControl* CreateSequenceControl(const std::wstring& elementName);
