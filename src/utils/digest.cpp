#include <windows.h>

#include <wincrypt.h>

#include <cstdio>
#include <memory>

#include "utils/system.h"

namespace Utils {
namespace {

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};

class Md5Hash {
 public:
  Md5Hash() {
    if (::CryptAcquireContextW(&provider_, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT | CRYPT_SILENT))
      ::CryptCreateHash(provider_, CALG_MD5, 0, 0, &hash_);
  }
  ~Md5Hash() {
    if (hash_) ::CryptDestroyHash(hash_);
    if (provider_) ::CryptReleaseContext(provider_, 0);
  }
  Md5Hash(const Md5Hash&) = delete;
  Md5Hash& operator=(const Md5Hash&) = delete;

  bool Ok() const { return hash_ != 0; }
  bool Update(const unsigned char* data, size_t size) {
    return ::CryptHashData(hash_, data, static_cast<DWORD>(size), 0) != FALSE;
  }
  std::string HexDigest() {
    BYTE digest[16] = {};
    DWORD size = sizeof(digest);
    if (!::CryptGetHashParam(hash_, HP_HASHVAL, digest, &size, 0) || size != sizeof(digest)) return "";
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    for (BYTE b : digest) {
      text.push_back(kHex[b >> 4]);
      text.push_back(kHex[b & 15]);
    }
    return text;
  }

 private:
  HCRYPTPROV provider_ = 0;
  HCRYPTHASH hash_ = 0;
};

}  // namespace

std::string FileMd5(const std::string& ansiPath) {
  std::unique_ptr<FILE, FileCloser> file(std::fopen(ansiPath.c_str(), "rb"));
  if (!file) return "";
  Md5Hash md5;
  if (!md5.Ok()) return "";
  // Large blocks: the digest is read straight after a download of hundreds
  // of MiB, and per-call overhead dominates with small ones.
  constexpr size_t kBlock = 256 * 1024;
  std::unique_ptr<unsigned char[]> block(new unsigned char[kBlock]);
  size_t n;
  while ((n = std::fread(block.get(), 1, kBlock, file.get())) > 0) {
    if (!md5.Update(block.get(), n)) return "";
  }
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
