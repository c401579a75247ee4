#pragma once
// Software drawing into 32-bit premultiplied-alpha pixels (0xAARRGGBB in
// memory order B, G, R, A, as a top-down DIB section holds them).

#include <windows.h>

#include <cstdint>
#include <vector>

#include "toolkit/skin_values.h"

namespace SkinUI {

// A decoded image: premultiplied pixels, rows top to bottom.
struct CImage {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
};

// A view on pixels owned elsewhere (the back buffer or an image).
struct CSurface {
  uint32_t* bits = nullptr;
  int width = 0;
  int height = 0;

  uint32_t At(int x, int y) const { return bits[static_cast<size_t>(y) * width + x]; }
};

// Colours of the markup are straight (not premultiplied) ARGB.
uint32_t Premultiply(uint32_t argb);
// Straight ARGB of a premultiplied pixel (exact for opaque pixels).
uint32_t Unpremultiply(uint32_t pixel);

RECT Intersect(const RECT& a, const RECT& b);
bool IsEmpty(const RECT& r);

namespace Canvas {

void FillRect(CSurface& s, const RECT& rc, const RECT& clip, uint32_t argb);
// Rounded corners with an ellipse of ellipse.cx by ellipse.cy, edges
// anti-aliased; an ellipse of zero width or height gives square corners.
void FillRoundRect(CSurface& s, const RECT& rc, const RECT& clip, uint32_t argb, SIZE ellipse);
// A frame of the given thickness inside rc, following the same corners.
void DrawBorder(CSurface& s, const RECT& rc, const RECT& clip, uint32_t argb, int size, SIZE ellipse);
// Draws src (part of the image) into dst, stretched (nearest pixel) and
// faded (255 opaque).
void DrawBitmap(CSurface& s, const CImage& img, const RECT& dst, const RECT& src, const RECT& clip, int fade);
// The image-string rules: dest offset inside the control, source part,
// nine-grid corners, hole, tiling and fade.
void DrawImage(CSurface& s, const CImage& img, const ImageDesc& desc, const RECT& control, const RECT& clip);
// Blends a colour through an 8-bit coverage mask covering area.
void BlendMask(CSurface& s, const uint8_t* coverage, int stride, const RECT& area, uint32_t argb);

}  // namespace Canvas
}  // namespace SkinUI
