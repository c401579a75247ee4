#include "ui/sequence_controls.h"

#include <cwchar>
#include <cwctype>

#include "toolkit/paint_manager.h"

namespace {

// "false" exactly turns a switch off; anything else leaves it on.
bool SwitchValue(const std::wstring& value) { return value != L"false"; }

bool NameIs(const std::wstring& name, const wchar_t* key) { return _wcsicmp(name.c_str(), key) == 0; }

}  // namespace

int CFrameSequence::Tick(bool& stop) {
  stop = false;
  if (pattern.empty()) return -1;
  if (forward && next > count - 1) {
    if (bounce && count >= 2) {
      forward = false;
      next = count - 2;
    } else {
      // With fewer than two frames there is nothing to bounce between: the
      // sequence runs one way.
      next = 0;
      if (!loop) {
        stop = true;
        return -1;
      }
    }
  }
  if (!forward && next <= 0) {
    if (bounce) forward = true;
    next = 0;
    if (!loop) {
      stop = true;
      return -1;
    }
  }
  const int frame = next;
  next += forward ? 1 : -1;
  return frame;
}

bool CFrameSequence::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (name == L"sequencebkimage") {
    pattern = value;
  } else if (NameIs(name, L"sequencecount")) {
    count = static_cast<int>(std::wcstol(value.c_str(), nullptr, 10));
  } else if (NameIs(name, L"sequencespan")) {
    period = static_cast<int>(std::wcstol(value.c_str(), nullptr, 10));
  } else if (NameIs(name, L"sequenceloop")) {
    loop = SwitchValue(value);
  } else if (NameIs(name, L"autostart")) {
    autostart = SwitchValue(value);
  } else if (NameIs(name, L"sequenceround")) {
    bounce = SwitchValue(value);
  } else {
    return false;
  }
  return true;
}

std::wstring CFrameSequence::FormatFrame(const std::wstring& pattern, int frame) {
  constexpr size_t kMax = 259;
  std::wstring out;
  bool used = false;
  size_t i = 0;
  while (i < pattern.size() && out.size() < kMax) {
    const wchar_t c = pattern[i];
    if (c != L'%') {
      out += c;
      ++i;
      continue;
    }
    if (i + 1 < pattern.size() && pattern[i + 1] == L'%') {
      out += L'%';
      i += 2;
      continue;
    }
    // %[flags][width]conversion
    size_t j = i + 1;
    bool left = false, zero = false;
    for (; j < pattern.size() && (pattern[j] == L'-' || pattern[j] == L'0'); ++j) {
      (pattern[j] == L'-' ? left : zero) = true;
    }
    int width = 0;
    for (; j < pattern.size() && std::iswdigit(pattern[j]) && width < 100; ++j)
      width = width * 10 + (pattern[j] - L'0');
    const bool integer = j < pattern.size() && (pattern[j] == L'd' || pattern[j] == L'i' || pattern[j] == L'u');
    if (!integer || used) {
      out += c;  // not a conversion this formatter fills: kept as text
      ++i;
      continue;
    }
    wchar_t digits[16];
    swprintf(digits, 16, L"%d", frame);
    std::wstring number = digits;
    if (static_cast<int>(number.size()) < width) {
      const size_t pad = static_cast<size_t>(width) - number.size();
      if (left) {
        number.append(pad, L' ');
      } else if (zero) {
        const size_t sign = (!number.empty() && number[0] == L'-') ? 1 : 0;
        number.insert(sign, pad, L'0');
      } else {
        number.insert(0, pad, L' ');
      }
    }
    out += number;
    used = true;
    i = j + 1;
  }
  if (out.size() > kMax) out.resize(kMax);
  return out;
}

CSequenceButton::CSequenceButton() {
  sequence_.period = 60;
  sequence_.bounce = true;
}

void CSequenceButton::Start() {
  sequence_.next = 0;
  if (manager_ != nullptr) manager_->SetTimer(this, kSequenceTimerId, static_cast<UINT>(sequence_.period));
}

void CSequenceButton::Stop() {
  if (manager_ != nullptr) manager_->KillTimer(this, kSequenceTimerId);
}

void CSequenceButton::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (!sequence_.SetAttribute(name, value)) CButtonControl::SetAttribute(name, value);
}

void CSequenceButton::DoInit() {
  CButtonControl::DoInit();
  if (sequence_.autostart && manager_ != nullptr) {
    manager_->SetTimer(this, kSequenceTimerId, static_cast<UINT>(sequence_.period));
  }
}

void CSequenceButton::DoEvent(SkinUI::TEvent& event) {
  CButtonControl::DoEvent(event);
  if (event.type == SkinUI::EventType::Timer && event.wParam == kSequenceTimerId) Step();
}

void CSequenceButton::Step() {
  bool stop = false;
  const int frame = sequence_.Tick(stop);
  if (stop) Stop();
  if (frame >= 0) {
    SetBkImage(CFrameSequence::FormatFrame(sequence_.pattern, frame));
    Invalidate();
  }
}

CSequenceLabel::CSequenceLabel() {
  sequence_.period = 30;
  sequence_.bounce = false;
}

CSequenceLabel::~CSequenceLabel() { Stop(); }

void CSequenceLabel::Start() {
  sequence_.next = 0;
  if (manager_ != nullptr) manager_->SetTimer(this, kSequenceTimerId, static_cast<UINT>(sequence_.period));
}

void CSequenceLabel::Stop() {
  if (manager_ != nullptr) manager_->KillTimer(this, kSequenceTimerId);
}

void CSequenceLabel::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (!sequence_.SetAttribute(name, value)) CLabelControl::SetAttribute(name, value);
}

void CSequenceLabel::DoInit() {
  CLabelControl::DoInit();
  if (sequence_.autostart && manager_ != nullptr) {
    manager_->SetTimer(this, kSequenceTimerId, static_cast<UINT>(sequence_.period));
  }
}

void CSequenceLabel::DoEvent(SkinUI::TEvent& event) {
  CLabelControl::DoEvent(event);
  if (event.type == SkinUI::EventType::Timer && event.wParam == kSequenceTimerId) Step();
}

void CSequenceLabel::Step() {
  bool stop = false;
  const int frame = sequence_.Tick(stop);
  if (stop) Stop();
  if (frame >= 0) {
    SetBkImage(CFrameSequence::FormatFrame(sequence_.pattern, frame));
    Invalidate();
  }
}

SkinUI::CControl* CreateSequenceControl(const std::wstring& elementName) {
  if (NameIs(elementName, L"SequenceButton")) return new CSequenceButton();
  if (NameIs(elementName, L"SequenceLabel")) return new CSequenceLabel();
  return nullptr;
}
