#include "download/md5_hasher.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "download/download_util.h"

CMd5Hasher::CMd5Hasher() {
  if (!::CryptAcquireContextW(&provider_, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT | CRYPT_SILENT)) {
    provider_ = 0;
    return;
  }
  if (!::CryptCreateHash(provider_, CALG_MD5, 0, 0, &hash_)) hash_ = 0;
}

CMd5Hasher::~CMd5Hasher() {
  if (hash_) ::CryptDestroyHash(hash_);
  if (provider_) ::CryptReleaseContext(provider_, 0);
}

void CMd5Hasher::Fail() {
  if (hash_) ::CryptDestroyHash(hash_);
  hash_ = 0;
}

void CMd5Hasher::Update(const void* data, size_t size) {
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

bool CMd5Hasher::UpdateFromFile(const std::string& ansiPath, int64_t bytes) {
  if (bytes <= 0) return Ok();
  Download::UniqueFile file(std::fopen(ansiPath.c_str(), "rb"));
  if (!file) {
    Fail();
    return false;
  }
  constexpr size_t kBlock = 1024 * 1024;
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

std::string CMd5Hasher::HexDigest() {
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
