#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "utils/md5_hasher.h"
#include "utils/system.h"

namespace Utils {
namespace {

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};
using UniqueFile = std::unique_ptr<FILE, FileCloser>;

// Large blocks: the digest is taken straight after a download of hundreds of
// MiB, and per-call overhead dominates with small ones.
constexpr size_t kBlock = 1024 * 1024;

}  // namespace

Md5Hasher::Md5Hasher() {
  if (!::CryptAcquireContextW(&provider_, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT | CRYPT_SILENT)) {
    provider_ = 0;
    return;
  }
  if (!::CryptCreateHash(provider_, CALG_MD5, 0, 0, &hash_)) hash_ = 0;
}

Md5Hasher::~Md5Hasher() {
  if (hash_) ::CryptDestroyHash(hash_);
  if (provider_) ::CryptReleaseContext(provider_, 0);
}

void Md5Hasher::Fail() {
  if (hash_) ::CryptDestroyHash(hash_);
  hash_ = 0;
}

void Md5Hasher::Update(const void* data, size_t size) {
  if (!hash_ || size == 0) return;
  const BYTE* at = static_cast<const BYTE*>(data);
  while (size > 0) {
    const DWORD piece = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
    if (!::CryptHashData(hash_, at, piece, 0)) return Fail();
    at += piece;
    size -= piece;
    bytes_ += piece;
  }
}

bool Md5Hasher::UpdateFromFile(const std::string& ansiPath, int64_t bytes) {
  if (bytes <= 0) return Ok();
  UniqueFile file(std::fopen(ansiPath.c_str(), "rb"));
  if (!file) {
    Fail();
    return false;
  }
  std::unique_ptr<char[]> block(new char[kBlock]);
  while (bytes > 0 && Ok()) {
    const size_t want = static_cast<size_t>(std::min<int64_t>(bytes, kBlock));
    const size_t got = std::fread(block.get(), 1, want, file.get());
    if (got != want) {
      Fail();
      return false;
    }
    Update(block.get(), got);
    bytes -= static_cast<int64_t>(got);
  }
  return Ok();
}

std::string Md5Hasher::HexDigest() {
  if (!hash_) return "";
  BYTE digest[16] = {};
  DWORD size = sizeof(digest);
  const bool ok = ::CryptGetHashParam(hash_, HP_HASHVAL, digest, &size, 0) && size == sizeof(digest);
  Fail();
  if (!ok) return "";
  static const char kHex[] = "0123456789abcdef";
  std::string text;
  for (BYTE b : digest) {
    text.push_back(kHex[b >> 4]);
    text.push_back(kHex[b & 15]);
  }
  return text;
}

std::string FileMd5(const std::string& ansiPath) {
  UniqueFile file(std::fopen(ansiPath.c_str(), "rb"));
  if (!file) return "";
  Md5Hasher md5;
  std::unique_ptr<unsigned char[]> block(new unsigned char[kBlock]);
  size_t n;
  while (md5.Ok() && (n = std::fread(block.get(), 1, kBlock, file.get())) > 0) md5.Update(block.get(), n);
  if (std::ferror(file.get())) return "";
  return md5.HexDigest();
}

std::string Md5FromUrl(const std::string& url) {
  const size_t last = url.rfind('/');
  if (last == std::string::npos) return "";
  const std::string head = url.substr(0, last);
  const size_t before = head.rfind('/');
  if (before == std::string::npos) return "";
  return head.substr(before + 1);
}

}  // namespace Utils
