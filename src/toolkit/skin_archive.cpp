#include "toolkit/skin_archive.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <lzma/7z.h>
#include <lzma/7zAlloc.h>
#include <lzma/7zCrc.h>
}

#include "utils/log.h"

namespace SkinUI {
namespace {

// A look-ahead stream over bytes in memory: the decoder reads the archive
// straight from the copy of the resource, no temporary file involved.
struct MemoryLookStream {
  ILookInStream vt;
  const uint8_t* data;
  size_t size;
  size_t pos;
};

MemoryLookStream* Self(ILookInStreamPtr p) {
  return const_cast<MemoryLookStream*>(reinterpret_cast<const MemoryLookStream*>(p));
}

SRes MemLook(ILookInStreamPtr p, const void** buf, size_t* size) {
  MemoryLookStream* s = Self(p);
  const size_t left = s->size - s->pos;
  if (*size > left) *size = left;
  *buf = s->data + s->pos;
  return SZ_OK;
}

SRes MemSkip(ILookInStreamPtr p, size_t offset) {
  MemoryLookStream* s = Self(p);
  s->pos += std::min(offset, s->size - s->pos);
  return SZ_OK;
}

SRes MemRead(ILookInStreamPtr p, void* buf, size_t* size) {
  MemoryLookStream* s = Self(p);
  const size_t n = std::min(*size, s->size - s->pos);
  if (n != 0) std::memcpy(buf, s->data + s->pos, n);
  s->pos += n;
  *size = n;
  return SZ_OK;
}

SRes MemSeek(ILookInStreamPtr p, Int64* pos, ESzSeek origin) {
  MemoryLookStream* s = Self(p);
  Int64 base = 0;
  switch (origin) {
    case SZ_SEEK_SET:
      base = 0;
      break;
    case SZ_SEEK_CUR:
      base = static_cast<Int64>(s->pos);
      break;
    case SZ_SEEK_END:
      base = static_cast<Int64>(s->size);
      break;
    default:
      return SZ_ERROR_PARAM;
  }
  const Int64 target = base + *pos;
  if (target < 0 || target > static_cast<Int64>(s->size)) return SZ_ERROR_INPUT_EOF;
  s->pos = static_cast<size_t>(target);
  *pos = target;
  return SZ_OK;
}

const ISzAlloc kAlloc = {SzAlloc, SzFree};
const ISzAlloc kAllocTemp = {SzAllocTemp, SzFreeTemp};

std::once_flag g_crcTable;

std::wstring Normalised(const std::wstring& name) {
  std::wstring n = name;
  std::replace(n.begin(), n.end(), L'\\', L'/');
  return n;
}

}  // namespace

bool CSevenZipArchive::Open(const uint8_t* data, size_t size) {
  entries_.clear();
  lastResult_ = 0;
  std::call_once(g_crcTable, [] { CrcGenerateTable(); });

  MemoryLookStream stream{{MemLook, MemSkip, MemRead, MemSeek}, data, size, 0};
  CSzArEx db;
  SzArEx_Init(&db);
  SRes res = SzArEx_Open(&db, &stream.vt, &kAlloc, &kAllocTemp);
  if (res != SZ_OK) {
    lastResult_ = res;
    SzArEx_Free(&db, &kAlloc);
    return false;
  }

  // One output buffer serves as the cache of the current solid block, so a
  // solid archive is decoded once and not once per file.
  UInt32 blockIndex = 0xFFFFFFFF;
  Byte* outBuffer = nullptr;
  size_t outBufferSize = 0;
  std::vector<UInt16> nameBuf;
  for (UInt32 i = 0; i < db.NumFiles; ++i) {
    if (SzArEx_IsDir(&db, i)) continue;
    const size_t len = SzArEx_GetFileNameUtf16(&db, i, nullptr);
    nameBuf.assign(len + 1, 0);
    SzArEx_GetFileNameUtf16(&db, i, nameBuf.data());
    ArchiveEntry entry;
    entry.name.assign(reinterpret_cast<const wchar_t*>(nameBuf.data()));
    entry.nameLength = entry.name.size() + 1;
    entry.index = i;
    entry.size = SzArEx_GetFileSize(&db, i);

    size_t offset = 0, processed = 0;
    res = SzArEx_Extract(&db, &stream.vt, i, &blockIndex, &outBuffer, &outBufferSize, &offset, &processed, &kAlloc,
                         &kAllocTemp);
    if (res != SZ_OK) {
      lastResult_ = res;
      entries_.push_back(std::move(entry));
      DEBUG_LOG_LINE(L"skin archive: extraction failed at %s (%d)", entries_.back().name.c_str(), res);
      break;
    }
    entry.data.assign(outBuffer + offset, outBuffer + offset + processed);
    entry.extracted = true;
    entries_.push_back(std::move(entry));
  }
  ISzAlloc_Free(&kAlloc, outBuffer);
  SzArEx_Free(&db, &kAlloc);
  return true;
}

const ArchiveEntry* CSevenZipArchive::Find(const std::wstring& name) const {
  const std::wstring wanted = Normalised(name);
  const size_t wantedLength = wanted.size() + 1;
  for (const ArchiveEntry& e : entries_) {
    if (e.nameLength != wantedLength) continue;
    if (::CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, e.name.c_str(), static_cast<int>(e.name.size()),
                         wanted.c_str(), static_cast<int>(wanted.size())) == CSTR_EQUAL) {
      return &e;
    }
  }
  return nullptr;
}

CSkinArchive& CSkinArchive::Instance() {
  static CSkinArchive archive;
  return archive;
}

bool CSkinArchive::OpenFromResource(HMODULE module, UINT resourceId) {
  HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(resourceId), L"SKINPACK");
  if (info == nullptr) {
    DEBUG_LOG_LINE(L"skin archive: resource %u not found", resourceId);
    return false;
  }
  const DWORD size = ::SizeofResource(module, info);
  HGLOBAL handle = ::LoadResource(module, info);
  const void* bytes = handle != nullptr ? ::LockResource(handle) : nullptr;
  if (bytes == nullptr || size == 0) {
    DEBUG_LOG_LINE(L"skin archive: resource %u cannot be loaded", resourceId);
    return false;
  }

  std::lock_guard<std::mutex> lock(mutex_);
  if (open_) return true;
  bytes_.assign(static_cast<const uint8_t*>(bytes), static_cast<const uint8_t*>(bytes) + size);
  ++openCount_;
  if (!archive_.Open(bytes_.data(), bytes_.size())) {
    DEBUG_LOG_LINE(L"skin archive: not a readable 7z archive (%d)", archive_.LastResult());
  }
  // Marked open even when unreadable: every window would fail the same way,
  // and the failure is then reported per file ("Could not find ziped file").
  open_ = true;
  return true;
}

bool CSkinArchive::IsOpen() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return open_;
}

int CSkinArchive::OpenCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return openCount_;
}

bool CSkinArchive::ReadSkinFile(const std::wstring& name, std::string& data, std::wstring& error) const {
  std::lock_guard<std::mutex> lock(mutex_);
  data.clear();
  const ArchiveEntry* e = archive_.Find(name);
  if (e == nullptr) {
    error = L"Could not find ziped file";
  } else if (e->size == 0) {
    error = L"File is empty";
  } else if (e->size > kMaxSkinFileSize) {
    error = L"File too large";
  } else if (!e->extracted) {
    error = L"Could not unzip file";
  } else {
    data.assign(e->data.begin(), e->data.end());
    error.clear();
    return true;
  }
  return false;
}

bool CSkinArchive::ReadFile(const std::wstring& name, std::vector<uint8_t>& data) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const ArchiveEntry* e = archive_.Find(name);
  if (e == nullptr || !e->extracted) return false;
  data = e->data;
  return true;
}

std::vector<std::wstring> CSkinArchive::FileNames() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::wstring> names;
  for (const ArchiveEntry& e : archive_.Entries()) names.push_back(e.name);
  return names;
}

}  // namespace SkinUI
