"""Minimal PNG reading and writing for 8-bit RGBA images (Python stdlib only).

The art generator rasterises SVG with rsvg-convert and passes every result
through here: the pixels are checked, fully transparent pixels get a zero
colour (so premultiplying never leaks a colour into the edge), and the file
is written again without ancillary chunks, so that the committed PNGs depend
on the drawing only and not on the rasteriser's encoder settings.
"""

import struct
import zlib

_SIGNATURE = b"\x89PNG\r\n\x1a\n"


class Image:
    """Straight (not premultiplied) RGBA pixels, rows top to bottom."""

    def __init__(self, width, height, pixels=None):
        self.width = width
        self.height = height
        self.pixels = bytearray(pixels if pixels is not None else width * height * 4)
        if len(self.pixels) != width * height * 4:
            raise ValueError("pixel buffer does not match %dx%d" % (width, height))

    def pixel(self, x, y):
        i = (y * self.width + x) * 4
        return tuple(self.pixels[i:i + 4])

    def clear_transparent(self):
        p = self.pixels
        for i in range(0, len(p), 4):
            if p[i + 3] == 0:
                p[i] = p[i + 1] = p[i + 2] = 0


def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def _unfilter(raw, width, height, bpp):
    stride = width * bpp
    out = bytearray(stride * height)
    prev = bytearray(stride)
    pos = 0
    for y in range(height):
        kind = raw[pos]
        line = bytearray(raw[pos + 1:pos + 1 + stride])
        pos += 1 + stride
        if kind == 1:
            for i in range(bpp, stride):
                line[i] = (line[i] + line[i - bpp]) & 0xFF
        elif kind == 2:
            for i in range(stride):
                line[i] = (line[i] + prev[i]) & 0xFF
        elif kind == 3:
            for i in range(stride):
                left = line[i - bpp] if i >= bpp else 0
                line[i] = (line[i] + ((left + prev[i]) >> 1)) & 0xFF
        elif kind == 4:
            for i in range(stride):
                left = line[i - bpp] if i >= bpp else 0
                upleft = prev[i - bpp] if i >= bpp else 0
                line[i] = (line[i] + _paeth(left, prev[i], upleft)) & 0xFF
        elif kind != 0:
            raise ValueError("bad PNG filter type %d" % kind)
        out[y * stride:(y + 1) * stride] = line
        prev = line
    return out


def read(data):
    """Decodes a non-interlaced 8-bit RGB or RGBA PNG into an Image."""
    if data[:8] != _SIGNATURE:
        raise ValueError("not a PNG file")
    pos = 8
    idat = bytearray()
    width = height = color_type = None
    while pos < len(data):
        (length,) = struct.unpack(">I", data[pos:pos + 4])
        kind = data[pos + 4:pos + 8]
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            width, height, depth, color_type, _, _, interlace = struct.unpack(">IIBBBBB", body)
            if depth != 8 or color_type not in (2, 6) or interlace:
                raise ValueError("unsupported PNG layout")
        elif kind == b"IDAT":
            idat += body
        elif kind == b"IEND":
            break
    bpp = 4 if color_type == 6 else 3
    rows = _unfilter(zlib.decompress(bytes(idat)), width, height, bpp)
    if bpp == 4:
        return Image(width, height, rows)
    rgba = bytearray(width * height * 4)
    rgba[0::4], rgba[1::4], rgba[2::4] = rows[0::3], rows[1::3], rows[2::3]
    rgba[3::4] = b"\xff" * (width * height)
    return Image(width, height, rgba)


def _chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)


def _filtered_rows(img):
    # Sub and Up filters picked per row by the smallest sum of absolute values;
    # that is most of what the full heuristic gains on flat art.
    stride = img.width * 4
    prev = bytes(stride)
    out = bytearray()
    for y in range(img.height):
        line = bytes(img.pixels[y * stride:(y + 1) * stride])
        sub = bytes((line[i] - (line[i - 4] if i >= 4 else 0)) & 0xFF for i in range(stride))
        up = bytes((line[i] - prev[i]) & 0xFF for i in range(stride))
        best = min(((0, line), (1, sub), (2, up)), key=lambda c: sum(v if v < 128 else 256 - v for v in c[1]))
        out.append(best[0])
        out += best[1]
        prev = line
    return bytes(out)


def write(img):
    """Encodes an Image as an 8-bit RGBA PNG without ancillary chunks."""
    header = struct.pack(">IIBBBBB", img.width, img.height, 8, 6, 0, 0, 0)
    return (_SIGNATURE + _chunk(b"IHDR", header) + _chunk(b"IDAT", zlib.compress(_filtered_rows(img), 9)) +
            _chunk(b"IEND", b""))
