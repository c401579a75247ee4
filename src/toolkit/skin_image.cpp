#include "toolkit/skin_image.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>

#include "toolkit/skin_archive.h"
#include "utils/handle.h"

#define STBI_NO_STDIO
#define STBI_ONLY_PNG
#define STBI_ONLY_BMP
#define STBI_ONLY_JPEG
#define STBI_MAX_DIMENSIONS 16384
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

namespace SkinUI {
namespace {

// Files on disk that claim to be images but are this big are not read.
constexpr LONGLONG kMaxImageFileSize = 64ll * 1024 * 1024;

bool ReadDiskFile(const std::wstring& path, std::vector<uint8_t>& data) {
  Utils::UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0 || size.QuadPart > kMaxImageFileSize) return false;
  data.resize(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  return ::ReadFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &read, nullptr) && read == data.size();
}

}  // namespace

std::shared_ptr<CImage> DecodeImage(const uint8_t* data, size_t size, bool hasMask, uint32_t mask) {
  if (data == nullptr || size == 0 || size > static_cast<size_t>(INT32_MAX)) return nullptr;
  int w = 0, h = 0, n = 0;
  stbi_uc* rgba = stbi_load_from_memory(data, static_cast<int>(size), &w, &h, &n, 4);
  if (rgba == nullptr) return nullptr;
  auto img = std::make_shared<CImage>();
  img->width = w;
  img->height = h;
  img->pixels.resize(static_cast<size_t>(w) * h);
  const stbi_uc* p = rgba;
  for (uint32_t& px : img->pixels) {
    const uint32_t argb = (uint32_t{p[3]} << 24) | (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
    px = (hasMask && argb == mask) ? 0 : Premultiply(argb);
    p += 4;
  }
  stbi_image_free(rgba);
  return img;
}

std::shared_ptr<CImage> LoadImageFile(const std::wstring& file, bool hasMask, uint32_t mask) {
  if (file.empty()) return nullptr;
  std::vector<uint8_t> bytes;
  if (!CSkinArchive::Instance().ReadFile(file, bytes) && !ReadDiskFile(file, bytes)) return nullptr;
  return DecodeImage(bytes.data(), bytes.size(), hasMask, mask);
}

std::shared_ptr<const CImage> CImageCache::Get(const std::wstring& file, bool hasMask, uint32_t mask) {
  if (file.empty()) return nullptr;
  std::wstring key = file;
  std::replace(key.begin(), key.end(), L'\\', L'/');
  std::transform(key.begin(), key.end(), key.begin(), [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
  const uint64_t maskKey = hasMask ? (uint64_t{1} << 32) | mask : 0;
  auto it = images_.find({key, maskKey});
  if (it != images_.end()) return it->second;
  std::shared_ptr<const CImage> img = LoadImageFile(file, hasMask, mask);
  images_.emplace(std::make_pair(key, maskKey), img);
  return img;
}

}  // namespace SkinUI
