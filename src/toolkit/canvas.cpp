#include "toolkit/canvas.h"

#include <algorithm>
#include <cmath>

namespace SkinUI {
namespace {

inline uint32_t Div255(uint32_t v) { return (v + 1 + (v >> 8)) >> 8; }

// Source-over of a premultiplied pixel scaled by alpha (0-255).
inline void BlendPixel(uint32_t& dst, uint32_t src, uint32_t alpha) {
  if (alpha == 0) return;
  if (alpha != 255) {
    const uint32_t a = Div255((src >> 24) * alpha);
    const uint32_t r = Div255(((src >> 16) & 0xFF) * alpha);
    const uint32_t g = Div255(((src >> 8) & 0xFF) * alpha);
    const uint32_t b = Div255((src & 0xFF) * alpha);
    src = (a << 24) | (r << 16) | (g << 8) | b;
  }
  const uint32_t sa = src >> 24;
  if (sa == 255) {
    dst = src;
    return;
  }
  if (sa == 0 && (src & 0xFFFFFF) == 0) return;
  const uint32_t inv = 255 - sa;
  const uint32_t a = sa + Div255((dst >> 24) * inv);
  const uint32_t r = ((src >> 16) & 0xFF) + Div255(((dst >> 16) & 0xFF) * inv);
  const uint32_t g = ((src >> 8) & 0xFF) + Div255(((dst >> 8) & 0xFF) * inv);
  const uint32_t b = (src & 0xFF) + Div255((dst & 0xFF) * inv);
  dst = (std::min(a, 255u) << 24) | (std::min(r, 255u) << 16) | (std::min(g, 255u) << 8) | std::min(b, 255u);
}

RECT SurfaceClip(const CSurface& s, const RECT& rc, const RECT& clip) {
  RECT r = Intersect(rc, clip);
  return Intersect(r, RECT{0, 0, s.width, s.height});
}

// Coverage (0-255) of pixel (x, y) by a rounded rectangle, sampled 4x4.
uint32_t RoundCoverage(const RECT& rc, double rx, double ry, int x, int y) {
  const double left = rc.left + rx, right = rc.right - rx;
  const double top = rc.top + ry, bottom = rc.bottom - ry;
  const double px = x + 0.5, py = y + 0.5;
  // Only pixels in a corner box need sampling.
  if ((px >= left && px <= right) || (py >= top && py <= bottom)) return 255;
  const double cx = px < left ? left : right;
  const double cy = py < top ? top : bottom;
  int inside = 0;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      const double sx = x + (i + 0.5) / 4.0, sy = y + (j + 0.5) / 4.0;
      const double dx = (sx - cx) / rx, dy = (sy - cy) / ry;
      // Samples on the straight side of the centre are inside.
      const bool outsideX = (px < left) ? sx < cx : sx > cx;
      const bool outsideY = (py < top) ? sy < cy : sy > cy;
      if (!outsideX || !outsideY || dx * dx + dy * dy <= 1.0) ++inside;
    }
  }
  return static_cast<uint32_t>(inside * 255 / 16);
}

void FillShape(CSurface& s, const RECT& rc, const RECT& clip, uint32_t argb, SIZE ellipse, int border) {
  const RECT area = SurfaceClip(s, rc, clip);
  if (IsEmpty(area)) return;
  const uint32_t src = Premultiply(argb);
  double rx = ellipse.cx / 2.0, ry = ellipse.cy / 2.0;
  const bool round = rx >= 0.5 && ry >= 0.5;
  rx = std::min(rx, (rc.right - rc.left) / 2.0);
  ry = std::min(ry, (rc.bottom - rc.top) / 2.0);
  const RECT inner{rc.left + border, rc.top + border, rc.right - border, rc.bottom - border};
  const double irx = std::max(0.0, rx - border), iry = std::max(0.0, ry - border);
  const bool innerRound = round && irx >= 0.5 && iry >= 0.5;
  for (int y = area.top; y < area.bottom; ++y) {
    uint32_t* row = s.bits + static_cast<size_t>(y) * s.width;
    for (int x = area.left; x < area.right; ++x) {
      uint32_t cov = round ? RoundCoverage(rc, rx, ry, x, y) : 255;
      if (border > 0) {
        uint32_t innerCov = 0;
        if (x >= inner.left && x < inner.right && y >= inner.top && y < inner.bottom) {
          innerCov = innerRound ? RoundCoverage(inner, irx, iry, x, y) : 255;
        }
        cov = cov > innerCov ? cov - innerCov : 0;
      }
      BlendPixel(row[x], src, cov);
    }
  }
}

// Source span [s0, s1) drawn into destination span [d0, d1): nearest
// pixel at each destination pixel centre.
inline int MapCoord(int d, int d0, int d1, int s0, int s1) {
  const long long dw = d1 - d0, sw = s1 - s0;
  return s0 + static_cast<int>(((static_cast<long long>(d - d0) * 2 + 1) * sw) / (2 * dw));
}

void DrawPart(CSurface& s, const CImage& img, const RECT& dst, const RECT& src, const RECT& clip, int fade, bool xtiled,
              bool ytiled) {
  if (IsEmpty(dst) || IsEmpty(src)) return;
  const RECT area = SurfaceClip(s, dst, clip);
  if (IsEmpty(area)) return;
  const int sw = src.right - src.left, sh = src.bottom - src.top;
  const uint32_t alpha = static_cast<uint32_t>(fade);
  for (int y = area.top; y < area.bottom; ++y) {
    const int sy = ytiled ? src.top + (y - dst.top) % sh : MapCoord(y, dst.top, dst.bottom, src.top, src.bottom);
    const uint32_t* srow = img.pixels.data() + static_cast<size_t>(sy) * img.width;
    uint32_t* drow = s.bits + static_cast<size_t>(y) * s.width;
    for (int x = area.left; x < area.right; ++x) {
      const int sx = xtiled ? src.left + (x - dst.left) % sw : MapCoord(x, dst.left, dst.right, src.left, src.right);
      BlendPixel(drow[x], srow[sx], alpha);
    }
  }
}

}  // namespace

uint32_t Premultiply(uint32_t argb) {
  const uint32_t a = argb >> 24;
  if (a == 255) return argb;
  if (a == 0) return 0;
  const uint32_t r = Div255(((argb >> 16) & 0xFF) * a);
  const uint32_t g = Div255(((argb >> 8) & 0xFF) * a);
  const uint32_t b = Div255((argb & 0xFF) * a);
  return (a << 24) | (r << 16) | (g << 8) | b;
}

uint32_t Unpremultiply(uint32_t pixel) {
  const uint32_t a = pixel >> 24;
  if (a == 255 || a == 0) return pixel;
  const uint32_t r = std::min(255u, (((pixel >> 16) & 0xFF) * 255 + a / 2) / a);
  const uint32_t g = std::min(255u, (((pixel >> 8) & 0xFF) * 255 + a / 2) / a);
  const uint32_t b = std::min(255u, ((pixel & 0xFF) * 255 + a / 2) / a);
  return (a << 24) | (r << 16) | (g << 8) | b;
}

RECT Intersect(const RECT& a, const RECT& b) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

bool IsEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

namespace Canvas {

void FillRect(CSurface& s, const RECT& rc, const RECT& clip, uint32_t argb) {
  const RECT area = SurfaceClip(s, rc, clip);
  if (IsEmpty(area) || (argb >> 24) == 0) return;
  const uint32_t src = Premultiply(argb);
  for (int y = area.top; y < area.bottom; ++y) {
    uint32_t* row = s.bits + static_cast<size_t>(y) * s.width;
    if ((src >> 24) == 255) {
      std::fill(row + area.left, row + area.right, src);
    } else {
      for (int x = area.left; x < area.right; ++x) BlendPixel(row[x], src, 255);
    }
  }
}

void FillRoundRect(CSurface& s, const RECT& rc, const RECT& clip, uint32_t argb, SIZE ellipse) {
  if ((argb >> 24) == 0) return;
  if (ellipse.cx < 1 || ellipse.cy < 1) {
    FillRect(s, rc, clip, argb);
    return;
  }
  FillShape(s, rc, clip, argb, ellipse, 0);
}

void DrawBorder(CSurface& s, const RECT& rc, const RECT& clip, uint32_t argb, int size, SIZE ellipse) {
  if (size <= 0 || (argb >> 24) == 0) return;
  FillShape(s, rc, clip, argb, ellipse, size);
}

void DrawBitmap(CSurface& s, const CImage& img, const RECT& dst, const RECT& src, const RECT& clip, int fade) {
  DrawPart(s, img, dst, src, clip, fade, false, false);
}

void DrawImage(CSurface& s, const CImage& img, const ImageDesc& desc, const RECT& control, const RECT& clip) {
  if (img.width <= 0 || img.height <= 0 || desc.fade <= 0) return;
  RECT dst = control;
  if (!IsEmptyRect(desc.dest)) {
    dst = RECT{control.left + desc.dest.left, control.top + desc.dest.top, control.left + desc.dest.right,
               control.top + desc.dest.bottom};
  }
  const RECT drawClip = Intersect(Intersect(clip, control), dst);
  if (IsEmpty(drawClip)) return;
  RECT src{0, 0, img.width, img.height};
  if (!IsEmptyRect(desc.source)) src = Intersect(desc.source, src);
  if (IsEmpty(src)) return;

  const RECT& c = desc.corner;
  if (IsEmptyRect(c)) {
    DrawPart(s, img, dst, src, drawClip, desc.fade, desc.xtiled, desc.ytiled);
    return;
  }
  // Nine-grid: corners keep their size, edges stretch along one axis, the
  // centre along both. Corners wider than the target shrink evenly.
  auto fit = [](long a, long b, long space, long& outA, long& outB) {
    outA = std::max(0L, a);
    outB = std::max(0L, b);
    if (outA + outB > space && outA + outB > 0) {
      outA = outA * space / (outA + outB);
      outB = space - outA;
    }
  };
  long sl, sr, st, sb, dl, dr, dt, db;
  fit(c.left, c.right, src.right - src.left, sl, sr);
  fit(c.top, c.bottom, src.bottom - src.top, st, sb);
  fit(sl, sr, dst.right - dst.left, dl, dr);
  fit(st, sb, dst.bottom - dst.top, dt, db);
  const long sx[4] = {src.left, src.left + sl, src.right - sr, src.right};
  const long sy[4] = {src.top, src.top + st, src.bottom - sb, src.bottom};
  const long dx[4] = {dst.left, dst.left + dl, dst.right - dr, dst.right};
  const long dy[4] = {dst.top, dst.top + dt, dst.bottom - db, dst.bottom};
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 3; ++col) {
      if (row == 1 && col == 1 && desc.hole) continue;
      const RECT d{dx[col], dy[row], dx[col + 1], dy[row + 1]};
      const RECT sp{sx[col], sy[row], sx[col + 1], sy[row + 1]};
      DrawPart(s, img, d, sp, drawClip, desc.fade, desc.xtiled && col == 1, desc.ytiled && row == 1);
    }
  }
}

void BlendMask(CSurface& s, const uint8_t* coverage, int stride, const RECT& area, uint32_t argb) {
  const RECT a = Intersect(area, RECT{0, 0, s.width, s.height});
  if (IsEmpty(a) || (argb >> 24) == 0) return;
  const uint32_t src = Premultiply(argb);
  for (int y = a.top; y < a.bottom; ++y) {
    const uint8_t* crow = coverage + static_cast<size_t>(y - area.top) * stride - area.left;
    uint32_t* row = s.bits + static_cast<size_t>(y) * s.width;
    for (int x = a.left; x < a.right; ++x) BlendPixel(row[x], src, crow[x]);
  }
}

}  // namespace Canvas
}  // namespace SkinUI
