#!/usr/bin/env python3
"""Draws the Control Panel icon of Ostrel and packs it as OstrelPanel.ico.

The icon file holds eight images in the order the module's icon group lists them: 256, 48, 32 and
16 pixels at 8 bits per pixel (palette and transparency mask), then the same sizes at 32 bits per
pixel (the 256-pixel one PNG-compressed, the others as bitmaps with alpha). windres numbers the
images 1 to 8 in file order.

Each size is drawn with ImageMagick at eight times its size and reduced with a box filter, so every
edge falls on the pixel grid of its own size; the small sizes get fewer, bolder shapes instead of a
shrunken copy of the large drawing.

Run from anywhere: python3 panel/art/make_icon.py [--preview DIR]   (needs ImageMagick's convert)
"""
import math
import os
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "OstrelPanel.ico")
SS = 8  # supersampling factor

# The product colours: a deep blue tile lit from the top, a white gear, amber slider knobs.
TILE_TOP = "#2f7fe0"
TILE_BOTTOM = "#0d3f94"
TILE_EDGE = "#0a2f70"
GEAR = "#ffffff"
GEAR_SHADOW = "#06255a"
KNOB = "#ffb72b"
TRACK = "#9cc3f5"

# Per size: tile corner radius, gear radius, tooth count, tooth depth, hub hole radius, whether the
# slider bars are shown. Sizes in pixels of the final image.
DETAIL = {
    256: dict(corner=46, gear_r=70, teeth=8, tooth=20, hole=26, sliders=True, edge=4, shadow=5),
    48: dict(corner=9, gear_r=14, teeth=8, tooth=4.5, hole=5, sliders=True, edge=1, shadow=1),
    32: dict(corner=6, gear_r=10, teeth=8, tooth=3.5, hole=3.5, sliders=False, edge=1, shadow=1),
    16: dict(corner=3, gear_r=6, teeth=6, tooth=2, hole=1.5, sliders=False, edge=1, shadow=0),
}


def gear_polygon(cx, cy, r_outer, depth, teeth):
    """Points of a gear outline: flat-topped teeth, each taking 40 % of its sector at the tip."""
    pts = []
    r_inner = r_outer - depth
    for i in range(teeth):
        base = 2 * math.pi * i / teeth - math.pi / 2
        sector = 2 * math.pi / teeth
        for frac, r in ((0.0, r_inner), (0.12, r_outer), (0.52, r_outer), (0.64, r_inner)):
            a = base + frac * sector
            pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts


def mvg(size):
    d = DETAIL[size]
    s = SS
    n = size * s
    inset = 0 if size <= 32 else 1.0 * s
    cmds = []
    # The tile: an edge colour, then the gradient face inset by the edge width.
    cmds.append(f"fill '{TILE_EDGE}' roundrectangle {inset},{inset} {n - inset},{n - inset} "
                f"{d['corner'] * s},{d['corner'] * s}")
    e = inset + d["edge"] * s
    cmds.append("push graphic-context")
    cmds.append(f"fill '{TILE_BOTTOM}' roundrectangle {e},{e} {n - e},{n - e} "
                f"{(d['corner'] - d['edge']) * s},{(d['corner'] - d['edge']) * s}")
    # The lit upper half.
    cmds.append(f"fill '{TILE_TOP}' fill-opacity 0.55 roundrectangle {e},{e} {n - e},{n * 0.55} "
                f"{(d['corner'] - d['edge']) * s},{(d['corner'] - d['edge']) * s}")
    cmds.append("pop graphic-context")

    if d["sliders"]:
        cx, cy = n * 0.40, n * 0.42
    else:
        cx, cy = n * 0.5, n * 0.5
    r = d["gear_r"] * s
    if d["shadow"]:
        sh = d["shadow"] * s * 0.6
        pts = " ".join(f"{x + sh:.1f},{y + sh:.1f}" for x, y in gear_polygon(cx, cy, r, d["tooth"] * s, d["teeth"]))
        cmds.append(f"fill '{GEAR_SHADOW}' fill-opacity 0.45 polygon {pts}")
    pts = " ".join(f"{x:.1f},{y:.1f}" for x, y in gear_polygon(cx, cy, r, d["tooth"] * s, d["teeth"]))
    cmds.append(f"fill '{GEAR}' fill-opacity 1 polygon {pts}")
    if d["hole"]:
        h = d["hole"] * s
        cmds.append(f"fill '{TILE_BOTTOM}' circle {cx},{cy} {cx + h},{cy}")
    else:
        h = max(1.0, size / 16.0) * s
        cmds.append(f"fill '{TILE_BOTTOM}' rectangle {cx - h / 2},{cy - h / 2} {cx + h / 2},{cy + h / 2}")

    if d["sliders"]:
        # Two setting sliders in the lower right: a track and an amber knob each.
        track_h = max(2, round(size / 28)) * s
        knob_r = max(2.5, size / 22) * s
        for row, pos in ((0.70, 0.58), (0.84, 0.80)):
            y = n * row
            x0, x1 = n * 0.46, n * 0.86
            cmds.append(f"fill '{TRACK}' roundrectangle {x0},{y - track_h / 2} {x1},{y + track_h / 2} "
                        f"{track_h / 2},{track_h / 2}")
            kx = x0 + (x1 - x0) * pos
            cmds.append(f"fill '{GEAR_SHADOW}' fill-opacity 0.4 circle {kx + s},{y + s} {kx + s + knob_r},{y + s}")
            cmds.append(f"fill '{KNOB}' fill-opacity 1 circle {kx},{y} {kx + knob_r},{y}")
    return "\n".join(cmds)


def render_rgba(size):
    """The image as rows of (r, g, b, a) bytes, top row first."""
    big = size * SS
    raw = subprocess.run(
        ["convert", "-size", f"{big}x{big}", "xc:none", "-draw", mvg(size),
         "-filter", "Box", "-resize", f"{size}x{size}", "-depth", "8", "rgba:-"],
        check=True, stdout=subprocess.PIPE).stdout
    if len(raw) != size * size * 4:
        sys.exit(f"unexpected image size for {size}: {len(raw)} bytes")
    return raw


def png_of(rgba, size, tmp):
    path = os.path.join(tmp, f"icon{size}.raw")
    with open(path, "wb") as f:
        f.write(rgba)
    return subprocess.run(
        ["convert", "-size", f"{size}x{size}", "-depth", "8", f"rgba:{path}", "-define",
         "png:color-type=6", "png:-"], check=True, stdout=subprocess.PIPE).stdout


def quantize(rgba, size, tmp):
    """Palette (at most 256 colours) and one index per pixel; pixels under half alpha are masked.

    Edge pixels that are partly transparent are blended onto the tile edge colour, which is what
    they lie against, so the 8-bit images keep a clean outline without a light fringe.
    """
    er, eg, eb = (int(TILE_EDGE[i:i + 2], 16) for i in (1, 3, 5))
    flat = bytearray()
    mask = []
    for i in range(size * size):
        r, g, b, a = rgba[4 * i:4 * i + 4]
        mask.append(a < 128)
        if a and a < 255:
            r = (r * a + er * (255 - a)) // 255
            g = (g * a + eg * (255 - a)) // 255
            b = (b * a + eb * (255 - a)) // 255
        flat += bytes((r, g, b))
    path = os.path.join(tmp, f"flat{size}.rgb")
    with open(path, "wb") as f:
        f.write(flat)
    reduced = subprocess.run(
        ["convert", "-size", f"{size}x{size}", "-depth", "8", f"rgb:{path}", "+dither", "-colors", "256",
         "-depth", "8", "rgb:-"], check=True, stdout=subprocess.PIPE).stdout
    palette = []
    lookup = {}
    indexes = []
    for i in range(size * size):
        c = tuple(reduced[3 * i:3 * i + 3])
        if c not in lookup:
            lookup[c] = len(palette)
            palette.append(c)
        indexes.append(lookup[c])
    if len(palette) > 256:
        sys.exit(f"quantizing {size} left {len(palette)} colours")
    palette += [(0, 0, 0)] * (256 - len(palette))
    return palette, indexes, mask


def and_mask(mask, size):
    stride = ((size + 31) // 32) * 4
    out = bytearray()
    for y in reversed(range(size)):
        row = bytearray(stride)
        for x in range(size):
            if mask[y * size + x]:
                row[x // 8] |= 0x80 >> (x % 8)
        out += row
    return bytes(out)


def bmp_header(size, bits, colours):
    return struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, 0, 0, 0, colours, 0)


def dib_8bpp(rgba, size, tmp):
    palette, indexes, mask = quantize(rgba, size, tmp)
    body = bytearray(bmp_header(size, 8, 256))
    for r, g, b in palette:
        body += bytes((b, g, r, 0))
    stride = (size + 3) & ~3
    for y in reversed(range(size)):
        row = bytearray(stride)
        for x in range(size):
            row[x] = 0 if mask[y * size + x] else indexes[y * size + x]
        body += row
    body += and_mask(mask, size)
    return bytes(body)


def dib_32bpp(rgba, size):
    body = bytearray(bmp_header(size, 32, 0))
    for y in reversed(range(size)):
        for x in range(size):
            r, g, b, a = rgba[4 * (y * size + x):4 * (y * size + x) + 4]
            body += bytes((b, g, r, a))
    body += and_mask([rgba[4 * i + 3] == 0 for i in range(size * size)], size)
    return bytes(body)


def main():
    sizes = (256, 48, 32, 16)
    with tempfile.TemporaryDirectory() as tmp:
        images = {s: render_rgba(s) for s in sizes}
        entries = []  # (size, bits, data)
        for s in sizes:
            entries.append((s, 8, dib_8bpp(images[s], s, tmp)))
        for s in sizes:
            data = png_of(images[s], s, tmp) if s == 256 else dib_32bpp(images[s], s)
            entries.append((s, 32, data))
        # Previews for review (python3 make_icon.py --preview DIR), not used by the build.
        if len(sys.argv) == 3 and sys.argv[1] == "--preview":
            for s in sizes:
                with open(os.path.join(sys.argv[2], f"preview-{s}.png"), "wb") as f:
                    f.write(png_of(images[s], s, tmp))

    out = bytearray(struct.pack("<HHH", 0, 1, len(entries)))
    offset = 6 + 16 * len(entries)
    for size, bits, data in entries:
        dim = 0 if size == 256 else size
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, bits, len(data), offset)
        offset += len(data)
    for _, _, data in entries:
        out += data
    with open(OUT, "wb") as f:
        f.write(out)
    print(f"wrote {OUT} ({len(out)} bytes, {len(entries)} images)")


if __name__ == "__main__":
    main()
