#!/usr/bin/env python3
"""Draws the installer's art: every PNG of the skins and the application icon.

    tools/art/generate.py                  redraw everything into resources/
    tools/art/generate.py logo bg3         redraw only the named images
    tools/art/generate.py --sheet out.png  also write a contact sheet of all images

Each image is an SVG drawn here, rasterised by rsvg-convert (librsvg2-bin) at
its exact pixel size and written through pngio (transparent pixels carry no
colour, no ancillary chunks). The icon (resources/lumavox.ico) holds the
logo mark at 16 to 256 pixels, each size drawn on its own pixel grid.

Sizes follow the skins: the title buttons are 24x24, the glyphs placed with
"dest" rectangles are 16x16 (check boxes, back and custom-install links),
the page backgrounds fill the 600x400 window, the progress bar images are
nine-grids with 2 px corners for an 8 px high bar, and the prompt icons are
40x40. Commit the regenerated PNGs together with any change made here.
"""

import argparse
import base64
import math
import os
import struct
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pngio  # noqa: E402

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
SKIN_RES = os.path.join(ROOT, "resources", "skin", "res")
ICON_PATH = os.path.join(ROOT, "resources", "lumavox.ico")

# The skins' palette.
BLUE = "#1675FE"
BLUE_HOT = "#5A9DFD"
BLUE_PUSHED = "#1365DB"
BLUE_BRIGHT = "#1890FF"
INK = "#303F56"
GREY = "#8991AF"
LINE = "#DCE2EC"
PANEL = "#F3F5F9"
AMBER = "#FAAD14"
AMBER_DEEP = "#F08C00"

FONT = "WenQuanYi Micro Hei"


def svg(width, height, body, defs=""):
    return ('<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 %d %d">'
            "<defs>%s</defs>%s</svg>" % (width, height, width, height, defs, body))


def rasterise(source, width, height):
    done = subprocess.run(["rsvg-convert", "-w", str(width), "-h", str(height), "-f", "png"],
                          input=source.encode("utf-8"), stdout=subprocess.PIPE, check=True)
    img = pngio.read(done.stdout)
    if (img.width, img.height) != (width, height):
        raise RuntimeError("rsvg-convert gave %dx%d, wanted %dx%d" % (img.width, img.height, width, height))
    img.clear_transparent()
    return img


# --- shared shapes -------------------------------------------------------------


def logo_gradient(gid, x, y, size):
    return ('<linearGradient id="%s" gradientUnits="userSpaceOnUse" x1="%g" y1="%g" x2="%g" y2="%g">'
            '<stop offset="0" stop-color="%s"/><stop offset="0.55" stop-color="%s"/>'
            '<stop offset="1" stop-color="%s"/></linearGradient>' %
            (gid, x, y, x + size, y + size, BLUE_HOT, BLUE, BLUE_PUSHED))


# Voice bars of the logo mark for the sizes that need their own pixel grid:
# size: (bar width, gap, bar heights). Edges fall on whole pixels.
BAR_GRIDS = {
    16: (2, 2, (6, 10, 6)),
    20: (2, 3, (6, 12, 6)),
    24: (2, 3, (8, 14, 8)),
    30: (2, 2, (6, 12, 16, 12, 6)),
    32: (2, 3, (8, 14, 20, 14, 8)),
    40: (2, 4, (10, 18, 24, 18, 10)),
    48: (4, 3, (10, 20, 28, 20, 10)),
    64: (4, 5, (14, 26, 36, 26, 14)),
    80: (6, 5, (16, 32, 46, 32, 16)),
}


def logo_bars(size):
    """The voice bars of the logo mark on a size x size grid: (x, y, w, h) each."""
    if size in BAR_GRIDS:
        width, gap, heights = BAR_GRIDS[size]
    else:
        width, gap = size * 0.075, size * 0.0625
        heights = [size * r for r in (0.2, 0.4, 0.575, 0.4, 0.2)]
    span = len(heights) * width + (len(heights) - 1) * gap
    left = (size - span) / 2.0
    return [(left + i * (width + gap), (size - h) / 2.0, width, h) for i, h in enumerate(heights)]


def logo_mark(size, x=0, y=0, gid="logo"):
    """Rounded square in the blue gradient carrying white voice bars."""
    radius = max(3, size * 0.24)
    defs = logo_gradient(gid, x, y, size)
    body = ['<rect x="%g" y="%g" width="%g" height="%g" rx="%g" fill="url(#%s)"/>' % (x, y, size, size, radius, gid)]
    for bx, by, bw, bh in logo_bars(size):
        rx = bw / 2.0 if bw >= 3 else 0
        body.append('<rect x="%g" y="%g" width="%g" height="%g" rx="%g" fill="#FFFFFF"/>' % (x + bx, y + by, bw, bh, rx))
    return defs, "".join(body)


def wave_path(x0, x1, centre, amplitude, cycles, phase, steps=300):
    """A voice-like wave: a sine whose envelope swells in the middle and dies out at the ends."""
    points = []
    for i in range(steps + 1):
        t = i / steps
        envelope = math.sin(math.pi * t) ** 2
        value = math.sin(2 * math.pi * cycles * t + phase) * (0.75 + 0.25 * math.sin(5 * math.pi * t + phase))
        points.append("%.2f,%.2f" % (x0 + (x1 - x0) * t, centre + amplitude * envelope * value))
    return "M" + " L".join(points)


def wave_ribbon(x0, x1, centre, amplitude, opacity=1.0, strands=5):
    strokes = []
    for i in range(strands):
        k = i / max(1, strands - 1)
        strokes.append('<path d="%s" fill="none" stroke="url(#waveInk)" stroke-width="%.2f" stroke-opacity="%.3f"/>' %
                       (wave_path(x0, x1, centre, amplitude * (1.0 - 0.55 * k), 2.2 + 0.35 * i, 0.9 * i),
                        1.6 - 0.2 * k, opacity * (0.55 - 0.32 * k)))
    return "".join(strokes)


# Strokes fade in and out at the ends, so the flat tails of the waves vanish.
WAVE_INK = ('<linearGradient id="waveInk" x1="0" y1="0" x2="1" y2="0">'
            '<stop offset="0" stop-color="%s" stop-opacity="0"/><stop offset="0.3" stop-color="%s"/>'
            '<stop offset="0.5" stop-color="%s"/><stop offset="0.7" stop-color="%s"/>'
            '<stop offset="1" stop-color="%s" stop-opacity="0"/></linearGradient>' %
            (BLUE_BRIGHT, BLUE_BRIGHT, BLUE, BLUE_HOT, BLUE_HOT))


def glow(gid, colour, opacity):
    return ('<radialGradient id="%s"><stop offset="0" stop-color="%s" stop-opacity="%g"/>'
            '<stop offset="1" stop-color="%s" stop-opacity="0"/></radialGradient>' % (gid, colour, opacity, colour))


def page_background(decoration, extra_defs=""):
    """600x400 page: white, two soft glows in opposite corners, a hairline frame."""
    defs = (glow("glowA", BLUE_HOT, 0.16) + glow("glowB", BLUE, 0.10) + WAVE_INK +
            '<linearGradient id="wash" x1="0" y1="0" x2="0" y2="1">'
            '<stop offset="0" stop-color="#FFFFFF"/><stop offset="1" stop-color="#F7F9FD"/></linearGradient>' +
            extra_defs)
    body = ('<rect width="600" height="400" fill="url(#wash)"/>'
            '<ellipse cx="40" cy="-30" rx="330" ry="250" fill="url(#glowA)"/>'
            '<ellipse cx="610" cy="430" rx="320" ry="230" fill="url(#glowB)"/>' + decoration +
            '<rect x="0.5" y="0.5" width="599" height="399" fill="none" stroke="%s"/>' % LINE)
    return svg(600, 400, body, defs)


# --- the images ------------------------------------------------------------------


def title_button(glyph, state, prompt=False):
    ink = {1: GREY, 2: BLUE, 3: BLUE_PUSHED}[state]
    body = ""
    if state > 1:
        body += '<rect width="24" height="24" rx="4" fill="%s" fill-opacity="%g"/>' % (BLUE, 0.10 if state == 2 else 0.18)
    if glyph == "close":
        a, b = (8, 16) if prompt else (7, 17)
        body += ('<path d="M%d,%dL%d,%dM%d,%dL%d,%d" stroke="%s" stroke-width="1.5" stroke-linecap="round"/>' %
                 (a, a, b, b, b, a, a, b, ink))
    else:
        body += '<rect x="7" y="11.25" width="10" height="1.5" rx="0.75" fill="%s"/>' % ink
    return svg(24, 24, body)


def chevron(direction, colour, opacity=1.0):
    # 16x16. The links draw their text 2 px past the image's edge, so the
    # chevron keeps to that side and sits 5 px from the first or last glyph.
    if direction == "left":
        d = "M13,3.5L8.5,8L13,12.5"
    else:
        d = "M3,3.5L7.5,8L3,12.5"
    return svg(16, 16, '<path d="%s" fill="none" stroke="%s" stroke-opacity="%g" stroke-width="1.6" '
               'stroke-linecap="round" stroke-linejoin="round"/>' % (d, colour, opacity))


def check_box(selected):
    # The box sits in the upper 14 rows: the skins draw the image 2 px below the
    # row's top, which centres the box on the row's text.
    if selected:
        return svg(16, 16, '<rect x="1" y="0" width="14" height="14" rx="3" fill="%s"/>'
                   '<path d="M4.5,7.2L7,9.6L11.5,4.8" fill="none" stroke="#FFFFFF" stroke-width="1.7" '
                   'stroke-linecap="round" stroke-linejoin="round"/>' % BLUE)
    return svg(16, 16, '<rect x="1.5" y="0.5" width="13" height="13" rx="2.5" fill="#FFFFFF" stroke="#B8C0D2"/>')


def edit_field():
    return svg(340, 40, '<rect x="0.5" y="0.5" width="339" height="39" rx="3.5" fill="#FFFFFF" stroke="#D3DAE6"/>'
               '<rect x="1" y="1" width="338" height="1" fill="#000000" fill-opacity="0.025"/>')


def progress(fore):
    # 64x8 nine-grid: 2 px rounded ends, a middle that stretches without change
    # except for the fill's gentle left-to-right brightening.
    if fore:
        defs = ('<linearGradient id="fill" x1="0" y1="0" x2="1" y2="0"><stop offset="0" stop-color="%s"/>'
                '<stop offset="1" stop-color="%s"/></linearGradient>' % (BLUE_BRIGHT, BLUE))
        return svg(64, 8, '<rect width="64" height="8" rx="2" fill="url(#fill)"/>', defs)
    return svg(64, 8, '<rect width="64" height="8" rx="2" fill="#E4EAF4"/>')


def round_icon(inner, colour_top, colour_bottom, size=40):
    defs = ('<linearGradient id="disc" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="%s"/>'
            '<stop offset="1" stop-color="%s"/></linearGradient>' % (colour_top, colour_bottom))
    c = size / 2.0
    return svg(size, size, '<circle cx="%g" cy="%g" r="%g" fill="url(#disc)"/>%s' % (c, c, c, inner), defs)


def finished():
    return round_icon('<path d="M11.5,20.5L17.5,26.5L29,14.5" fill="none" stroke="#FFFFFF" stroke-width="3.2" '
                      'stroke-linecap="round" stroke-linejoin="round"/>', BLUE_HOT, BLUE)


def ico_quest():
    return round_icon('<path d="M15.2,15.6C15.2,12.7 17.3,10.8 20.1,10.8C22.9,10.8 24.9,12.6 24.9,15.1'
                      'C24.9,17.3 23.5,18.3 22.1,19.3C20.8,20.2 20,21 20,22.9L20,24" fill="none" stroke="#FFFFFF" '
                      'stroke-width="3" stroke-linecap="round" stroke-linejoin="round"/>'
                      '<circle cx="20" cy="29.2" r="1.9" fill="#FFFFFF"/>', BLUE_HOT, BLUE)


def ico_warn():
    return round_icon('<rect x="18.4" y="10" width="3.2" height="15" rx="1.6" fill="#FFFFFF"/>'
                      '<circle cx="20" cy="29.4" r="2" fill="#FFFFFF"/>', "#FFBE3D", AMBER_DEEP)


def ico_network():
    # Wi-Fi arcs with the outer one faded out and an amber badge: a weak connection.
    cx, cy = 19, 26
    arcs = ""
    for r, alpha in ((14, 0.4), (9.5, 1.0), (5, 1.0)):
        a = math.radians(45)
        dx, dy = r * math.sin(a), r * math.cos(a)
        arcs += ('<path d="M%.2f,%.2fA%g,%g 0 0 1 %.2f,%.2f" fill="none" stroke="#FFFFFF" stroke-opacity="%g" '
                 'stroke-width="2.6" stroke-linecap="round"/>' % (cx - dx, cy - dy, r, r, cx + dx, cy - dy, alpha))
    arcs += '<circle cx="%d" cy="%d" r="1.9" fill="#FFFFFF"/>' % (cx, cy)
    badge = ('<circle cx="31" cy="30" r="7.5" fill="#FFFFFF"/><circle cx="31" cy="30" r="6" fill="%s"/>'
             '<rect x="30.1" y="26.4" width="1.8" height="4.4" rx="0.9" fill="#FFFFFF"/>'
             '<circle cx="31" cy="33" r="1.05" fill="#FFFFFF"/>' % AMBER_DEEP)
    return round_icon(arcs + badge, BLUE_HOT, BLUE)


def tip_label():
    # A dark hint bubble whose tail points at the licence check box below it.
    body = ('<path d="M4,0.5H112A3.5,3.5 0 0 1 115.5,4V22A3.5,3.5 0 0 1 112,25.5H24L18,31L12,25.5H4'
            'A3.5,3.5 0 0 1 0.5,22V4A3.5,3.5 0 0 1 4,0.5Z" fill="%s" fill-opacity="0.92"/>'
            '<text x="58" y="17.5" text-anchor="middle" font-family="%s" font-size="12" fill="#FFFFFF">'
            "请先同意许可协议</text>" % (INK, FONT))
    return svg(116, 32, body)


def logo(size):
    defs, body = logo_mark(size)
    return svg(size, size, body, defs)


def bg_welcome():
    # The wave runs under the install button, in the empty band above the links.
    return page_background(wave_ribbon(0, 600, 318, 18))


def bg_custom():
    # The page is full of controls: only a low, faint wave along the bottom edge.
    return page_background(wave_ribbon(0, 600, 384, 7, opacity=0.7))


def bg_installing():
    # No text above the progress line: the page carries the product's mark,
    # with voice bars spreading out on both sides as it "speaks".
    defs, mark = logo_mark(88, 256, 116, gid="hero")
    bars = []
    for side in (-1, 1):
        for i in range(1, 14):
            h = 2 * int(round(34 * math.exp(-((i - 1) / 7.5) ** 2) * (0.7 + 0.3 * math.cos(i * 1.7)))) + 6
            x = 300 + side * (44 + 14 + (i - 1) * 12) - 3
            bars.append('<rect x="%d" y="%g" width="6" height="%d" rx="3" fill="%s" fill-opacity="%.3f"/>' %
                        (x, 160 - h / 2.0, h, BLUE, 0.42 * (1 - (i - 1) / 14.0) ** 1.5))
    ripples = "".join('<circle cx="300" cy="160" r="%d" fill="none" stroke="%s" stroke-opacity="%g"/>' % (r, BLUE, o)
                      for r, o in ((66, 0.12), (84, 0.07)))
    shadow = ('<radialGradient id="under"><stop offset="0" stop-color="%s" stop-opacity="0.22"/>'
              '<stop offset="1" stop-color="%s" stop-opacity="0"/></radialGradient>' % (BLUE_PUSHED, BLUE_PUSHED))
    body = (ripples + "".join(bars) + '<ellipse cx="300" cy="210" rx="46" ry="8" fill="url(#under)"/>' + mark)
    return page_background(body, defs + shadow)


def bg_finished():
    # As on the first page, a wave below the button, above the product's name.
    return page_background(wave_ribbon(0, 600, 328, 14, opacity=0.85))


IMAGES = {
    # name: (folder, width, height, drawing)
    "closebtn1": ("common", 24, 24, lambda: title_button("close", 1)),
    "closebtn2": ("common", 24, 24, lambda: title_button("close", 2)),
    "closebtn3": ("common", 24, 24, lambda: title_button("close", 3)),
    "closebtnM_1": ("common", 24, 24, lambda: title_button("close", 1, prompt=True)),
    "closebtnM_2": ("common", 24, 24, lambda: title_button("close", 2, prompt=True)),
    "closebtnM_3": ("common", 24, 24, lambda: title_button("close", 3, prompt=True)),
    "minbtn1": ("common", 24, 24, lambda: title_button("min", 1)),
    "minbtn2": ("common", 24, 24, lambda: title_button("min", 2)),
    "minbtn3": ("common", 24, 24, lambda: title_button("min", 3)),
    "backBtn1": ("mainWnd", 16, 16, lambda: chevron("left", INK)),
    "backBtn2": ("mainWnd", 16, 16, lambda: chevron("left", BLUE_HOT)),
    "backBtn3": ("mainWnd", 16, 16, lambda: chevron("left", BLUE)),
    "bg1": ("mainWnd", 600, 400, bg_welcome),
    "bg2": ("mainWnd", 600, 400, bg_custom),
    "bg3": ("mainWnd", 600, 400, bg_installing),
    "bg4": ("mainWnd", 600, 400, bg_finished),
    "Cb1": ("mainWnd", 16, 16, lambda: check_box(False)),
    "Cb2": ("mainWnd", 16, 16, lambda: check_box(True)),
    "customeBtn1": ("mainWnd", 16, 16, lambda: chevron("right", INK)),
    "customeBtn2": ("mainWnd", 16, 16, lambda: chevron("right", BLUE, 0.5)),
    "customeBtn3": ("mainWnd", 16, 16, lambda: chevron("right", BLUE)),
    "finished": ("mainWnd", 40, 40, finished),
    "ilogo": ("mainWnd", 30, 30, lambda: logo(30)),
    "installDirEdit": ("mainWnd", 340, 40, edit_field),
    "installPrg1": ("mainWnd", 64, 8, lambda: progress(False)),
    "installPrg2": ("mainWnd", 64, 8, lambda: progress(True)),
    "logo": ("mainWnd", 80, 80, lambda: logo(80)),
    "tipLbl": ("mainWnd", 116, 32, tip_label),
    "icoNetwork": ("MessageBoxWnd", 40, 40, ico_network),
    "icoQuest": ("MessageBoxWnd", 40, 40, ico_quest),
    "icoWarn": ("MessageBoxWnd", 40, 40, ico_warn),
}

ICON_SIZES = (16, 20, 24, 32, 40, 48, 64, 256)


# --- the icon --------------------------------------------------------------------


def icon_entry(img):
    """An icon directory image: PNG for 256 px (Vista and later), else a 32-bit DIB with its AND mask."""
    if img.width >= 256:
        return pngio.write(img)
    w, h = img.width, img.height
    header = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    mask_stride = ((w + 31) // 32) * 4
    mask = bytearray()
    for y in range(h - 1, -1, -1):
        row_mask = bytearray(mask_stride)
        for x in range(w):
            r, g, b, a = img.pixel(x, y)
            colour += bytes((b, g, r, a))
            if a == 0:
                row_mask[x // 8] |= 0x80 >> (x % 8)
        mask += row_mask
    return header + bytes(colour) + bytes(mask)


def build_icon(images):
    entries = [icon_entry(img) for img in images]
    out = bytearray(struct.pack("<HHH", 0, 1, len(entries)))
    offset = 6 + 16 * len(entries)
    for img, data in zip(images, entries):
        side = img.width if img.width < 256 else 0
        out += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for data in entries:
        out += data
    return bytes(out)


# --- contact sheet -----------------------------------------------------------------


def contact_sheet(paths, target):
    """All images side by side at 1x and, for the small ones, 4x, on white and on a checkerboard."""
    x, y, row_h = 10, 30, 0
    items = []
    for path in paths:
        img = pngio.read(open(path, "rb").read())
        zoom = 4 if img.width <= 40 else (2 if img.width <= 116 else 1)
        w, h = img.width * zoom, img.height * zoom
        if x + w > 1230:
            x, y, row_h = 10, y + row_h + 30, 0
        data = base64.b64encode(open(path, "rb").read()).decode()
        items.append('<rect x="%d" y="%d" width="%d" height="%d" fill="url(#checker)"/>'
                     '<image x="%d" y="%d" width="%d" height="%d" href="data:image/png;base64,%s" '
                     'style="image-rendering:pixelated"/>'
                     '<text x="%d" y="%d" font-family="DejaVu Sans" font-size="11">%s</text>' %
                     (x, y, w, h, x, y, w, h, data, x, y - 5, os.path.basename(path)))
        x += w + 16
        row_h = max(row_h, h)
    height = y + row_h + 20
    defs = ('<pattern id="checker" width="16" height="16" patternUnits="userSpaceOnUse">'
            '<rect width="16" height="16" fill="#FFFFFF"/><rect width="8" height="8" fill="#E8E8E8"/>'
            '<rect x="8" y="8" width="8" height="8" fill="#E8E8E8"/></pattern>')
    sheet = svg(1240, height, '<rect width="1240" height="%d" fill="#FFFFFF"/>%s' % (height, "".join(items)), defs)
    open(target, "wb").write(pngio.write(rasterise(sheet, 1240, height)))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("names", nargs="*", help="images to redraw (default: all, and the icon)")
    parser.add_argument("--sheet", help="write a contact sheet of the images to this PNG file")
    args = parser.parse_args()

    unknown = [n for n in args.names if n not in IMAGES and n != "icon"]
    if unknown:
        parser.error("unknown image: " + ", ".join(unknown))
    names = args.names or list(IMAGES) + ["icon"]

    written = []
    for name in names:
        if name == "icon":
            icon = build_icon([rasterise(logo(s), s, s) for s in ICON_SIZES])
            os.makedirs(os.path.dirname(ICON_PATH), exist_ok=True)
            open(ICON_PATH, "wb").write(icon)
            print("wrote", os.path.relpath(ICON_PATH, ROOT))
            continue
        folder, width, height, draw = IMAGES[name]
        path = os.path.join(SKIN_RES, folder, name + ".png")
        os.makedirs(os.path.dirname(path), exist_ok=True)
        open(path, "wb").write(pngio.write(rasterise(draw(), width, height)))
        written.append(path)
        print("wrote", os.path.relpath(path, ROOT))
    if args.sheet:
        contact_sheet([os.path.join(SKIN_RES, f, n + ".png") for n, (f, _, _, _) in IMAGES.items()], args.sheet)
        print("wrote", args.sheet)


if __name__ == "__main__":
    main()
