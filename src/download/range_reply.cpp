#include "download/range_reply.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool StartsWithNoCase(const std::string& text, const char* prefix) {
  const size_t n = std::strlen(prefix);
  if (text.size() < n) return false;
  for (size_t i = 0; i < n; ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
      return false;
  }
  return true;
}

}  // namespace

void CRangeReply::Expect(int64_t start, int64_t total) {
  *this = CRangeReply();
  start_ = start;
  total_ = total;
}

size_t CRangeReply::HeaderFun(char* data, size_t size, size_t count, void* self) {
  auto* reply = static_cast<CRangeReply*>(self);
  const std::string line(data, size * count);
  if (StartsWithNoCase(line, "HTTP/")) {
    // A new answer (after a redirect or an interim 1xx): judge it afresh.
    reply->httpSeen_ = true;
    reply->judged_ = false;
    reply->rangeStart_ = -1;
    reply->rangeTotal_ = -1;
    const size_t blank = line.find(' ');
    reply->status_ = blank == std::string::npos ? 0 : std::strtol(line.c_str() + blank + 1, nullptr, 10);
  } else if (StartsWithNoCase(line, "Content-Range:")) {
    // "bytes first-last/total", total may be "*".
    const char* p = line.c_str() + std::strlen("Content-Range:");
    while (*p == ' ' || *p == '\t') ++p;
    if (StartsWithNoCase(p, "bytes")) p += 5;
    while (*p == ' ' || *p == '\t' || *p == '=') ++p;
    char* end = nullptr;
    const long long first = std::strtoll(p, &end, 10);
    if (end != p && *end == '-') {
      reply->rangeStart_ = first;
      const char* slash = std::strchr(end, '/');
      if (slash && std::isdigit(static_cast<unsigned char>(slash[1])))
        reply->rangeTotal_ = std::strtoll(slash + 1, nullptr, 10);
    }
  }
  return size * count;
}

bool CRangeReply::Judge() const {
  if (!httpSeen_) return true;
  if (status_ == 206) {
    if (rangeStart_ != start_) return false;
    return total_ < 0 || rangeTotal_ < 0 || rangeTotal_ == total_;
  }
  return status_ == 200 && start_ == 0;
}

bool CRangeReply::Accept() {
  if (refused_) return false;
  if (!judged_) {
    judged_ = true;
    refused_ = !Judge();
  }
  return !refused_;
}
