#include "analytics/sdk/json_check.h"

#include <cstring>

namespace collect {

namespace {

class Checker {
 public:
  explicit Checker(const std::string& s) : p_(s.data()), end_(s.data() + s.size()) {}

  bool Object() {
    if (!Eat('{')) return false;
    if (++depth_ > kMaxDepth) return false;
    Blanks();
    if (Eat('}')) return --depth_, true;
    for (;;) {
      Blanks();
      if (!String()) return false;
      Blanks();
      if (!Eat(':')) return false;
      if (!Value()) return false;
      Blanks();
      if (Eat('}')) return --depth_, true;
      if (!Eat(',')) return false;
    }
  }

  bool AtEnd() {
    Blanks();
    return p_ == end_;
  }

 private:
  static constexpr int kMaxDepth = 32;

  bool Eat(char c) {
    if (p_ < end_ && *p_ == c) return ++p_, true;
    return false;
  }

  void Blanks() {
    while (p_ < end_ && (*p_ == ' ' || *p_ == '\t' || *p_ == '\n' || *p_ == '\r')) ++p_;
  }

  bool Literal(const char* word) {
    const size_t n = std::strlen(word);
    if (static_cast<size_t>(end_ - p_) < n || std::memcmp(p_, word, n) != 0) return false;
    p_ += n;
    return true;
  }

  static bool IsDigit(char c) { return c >= '0' && c <= '9'; }
  static bool IsHex(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

  bool String() {
    if (!Eat('"')) return false;
    while (p_ < end_) {
      const char c = *p_++;
      if (c == '"') return true;
      if (c != '\\') continue;
      if (p_ >= end_) return false;
      const char e = *p_++;
      if (e == 'u') {
        for (int i = 0; i < 4; ++i) {
          if (p_ >= end_ || !IsHex(*p_)) return false;
          ++p_;
        }
      } else if (!std::strchr("\"\\/bfnrt", e)) {
        return false;
      }
    }
    return false;
  }

  bool Number() {
    Eat('-');
    if (Eat('0')) {
    } else if (p_ < end_ && IsDigit(*p_)) {
      while (p_ < end_ && IsDigit(*p_)) ++p_;
    } else {
      return false;
    }
    if (Eat('.')) {
      if (p_ >= end_ || !IsDigit(*p_)) return false;
      while (p_ < end_ && IsDigit(*p_)) ++p_;
    }
    if (p_ < end_ && (*p_ == 'e' || *p_ == 'E')) {
      ++p_;
      if (!Eat('+')) Eat('-');
      if (p_ >= end_ || !IsDigit(*p_)) return false;
      while (p_ < end_ && IsDigit(*p_)) ++p_;
    }
    return true;
  }

  bool Array() {
    if (!Eat('[')) return false;
    if (++depth_ > kMaxDepth) return false;
    Blanks();
    if (Eat(']')) return --depth_, true;
    for (;;) {
      if (!Value()) return false;
      Blanks();
      if (Eat(']')) return --depth_, true;
      if (!Eat(',')) return false;
    }
  }

  bool Value() {
    Blanks();
    if (p_ >= end_) return false;
    switch (*p_) {
      case '{':
        return Object();
      case '[':
        return Array();
      case '"':
        return String();
      case 't':
        return Literal("true");
      case 'f':
        return Literal("false");
      case 'n':
        return Literal("null");
      default:
        return Number();
    }
  }

  const char* p_;
  const char* end_;
  int depth_ = 0;
};

}  // namespace

bool IsJsonObject(const std::string& text) {
  Checker checker(text);
  return checker.Object() && checker.AtEnd();
}

}  // namespace collect
