#pragma once
// An MD5 digest (RFC 1321) fed piece by piece, through the system's
// cryptographic provider, so that data can be hashed while it is written
// instead of being read again afterwards.

#include <windows.h>

#include <wincrypt.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace Utils {

class Md5Hasher {
 public:
  Md5Hasher();
  ~Md5Hasher();
  Md5Hasher(const Md5Hasher&) = delete;
  Md5Hasher& operator=(const Md5Hasher&) = delete;

  // False once anything failed; the digest is then unknown.
  bool Ok() const { return hash_ != 0; }
  void Update(const void* data, size_t size);
  // Hashes the first bytes of a file; false (and the hasher unusable) when
  // they cannot all be read.
  bool UpdateFromFile(const std::string& ansiPath, int64_t bytes);
  int64_t Bytes() const { return bytes_; }
  // 32 lower-case hex digits; empty when the digest is unknown. Ends the hasher.
  std::string HexDigest();

 private:
  void Fail();

  HCRYPTPROV provider_ = 0;
  HCRYPTHASH hash_ = 0;
  int64_t bytes_ = 0;
};

}  // namespace Utils
