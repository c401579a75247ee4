#pragma once
// Watches the headers of a (ranged) package request and tells whether its
// body may be appended to a part file: only bytes that start exactly where
// the part file ends may be. Accepted are a 206 whose Content-Range starts at
// the asked offset (and, when the server names one, belongs to a package of
// the probed length), and a 200 when the request asked from offset 0. A
// server that ignores the range or answers another one fails the transfer.

#include <cstddef>
#include <cstdint>

class CRangeReply {
 public:
  // Before each transfer: the offset asked for, and the package length
  // (-1 when unknown).
  void Expect(int64_t start, int64_t total);

  // curl's header function; data is the CRangeReply.
  static size_t HeaderFun(char* data, size_t size, size_t count, void* self);

  // Called by the write function before it writes: false means the body
  // must not be taken; Refused() then stays true for this transfer.
  bool Accept();
  bool Refused() const { return refused_; }

 private:
  bool Judge() const;

  int64_t start_ = 0;
  int64_t total_ = -1;
  bool httpSeen_ = false;  // a non-HTTP transfer (file://) has no status to judge
  long status_ = 0;
  int64_t rangeStart_ = -1;
  int64_t rangeTotal_ = -1;
  bool judged_ = false;
  bool refused_ = false;
};
