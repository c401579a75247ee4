#pragma once
// Images of a skin: decoded to premultiplied 32-bit pixels and cached per
// window by file name and mask.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "toolkit/canvas.h"

namespace SkinUI {

// Decodes PNG (also BMP and JPEG) bytes. A pixel whose straight ARGB value
// equals the mask becomes fully transparent. Null for anything that is not
// a readable image or is larger than 16384 pixels on a side.
std::shared_ptr<CImage> DecodeImage(const uint8_t* data, size_t size, bool hasMask, uint32_t mask);

// Looks an image up in the skin archive first, then as a file path
// (relative paths against the current directory).
std::shared_ptr<CImage> LoadImageFile(const std::wstring& file, bool hasMask, uint32_t mask);

class CImageCache {
 public:
  // Null for a missing or unreadable image; the miss is remembered too, so
  // a missing file costs one look-up per window and not one per paint.
  std::shared_ptr<const CImage> Get(const std::wstring& file, bool hasMask, uint32_t mask);
  size_t Size() const { return images_.size(); }
  void Clear() { images_.clear(); }

 private:
  std::map<std::pair<std::wstring, uint64_t>, std::shared_ptr<const CImage>> images_;
};

}  // namespace SkinUI
