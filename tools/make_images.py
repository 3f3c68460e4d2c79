#!/usr/bin/env python3
"""Draws the installer's icons and side bitmap into a folder.

    make_images.py OUTPUT_FOLDER

Writes app.ico (icon group 128), flag_141.ico ... flag_157.ico and side.bmp.
Standard library only, and the output is the same bytes on every run: no
timestamps, palettes in a fixed order, deterministic quantisation.
"""

import math
import os
import struct
import sys
import zlib

# ---------------------------------------------------------------------------
# Shapes as signed distance functions in unit coordinates (0..1, y down).
# Coverage of a pixel is taken from the distance in pixels, which gives
# anti-aliased edges at every size without supersampling.


def sd_round_rect(px, py, x0, y0, x1, y1, r):
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - r, (y1 - y0) / 2 - r
    qx, qy = abs(px - cx) - hx, abs(py - cy) - hy
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - r


def sd_polygon(px, py, pts):
    d = float("inf")
    inside = False
    n = len(pts)
    for i in range(n):
        ax, ay = pts[i]
        bx, by = pts[(i + 1) % n]
        ex, ey = bx - ax, by - ay
        wx, wy = px - ax, py - ay
        t = max(0.0, min(1.0, (wx * ex + wy * ey) / (ex * ex + ey * ey)))
        d = min(d, math.hypot(wx - ex * t, wy - ey * t))
        if (ay > py) != (by > py) and px < ax + (py - ay) * ex / ey:
            inside = not inside
    return -d if inside else d


def coverage(sd_units, size):
    return max(0.0, min(1.0, 0.5 - sd_units * size))


def over(dst, rgb, a):
    """Source-over onto a premultiplied (r, g, b, a) pixel."""
    r, g, b, da = dst
    return (rgb[0] * a + r * (1 - a), rgb[1] * a + g * (1 - a),
            rgb[2] * a + b * (1 - a), a + da * (1 - a))


def lerp(c0, c1, t):
    return tuple(c0[i] + (c1[i] - c0[i]) * t for i in range(3))


def hexrgb(s):
    return tuple(int(s[i:i + 2], 16) for i in (0, 2, 4))


# The product emblem: a parcel receiving a downward arrow on a blue tile.
TILE_TOP, TILE_BOTTOM = hexrgb("4a90d9"), hexrgb("1d4e89")
TILE_EDGE = hexrgb("16406f")
BOX_BODY, BOX_RIM, BOX_SHADE = hexrgb("f0b860"), hexrgb("c98a32"), hexrgb("dea04a")
ARROW = hexrgb("ffffff")

ARROW_HEAD = [(0.27, 0.36), (0.73, 0.36), (0.5, 0.62)]


def emblem_layers(px, py):
    """(colour, signed distance) of the box and arrow, bottom to top."""
    body = sd_round_rect(px, py, 0.2, 0.5, 0.8, 0.84, 0.04)
    rim = max(body, py - 0.58)
    shade = max(body, 0.7 - py)
    shaft = sd_round_rect(px, py, 0.415, 0.12, 0.585, 0.42, 0.02)
    head = sd_polygon(px, py, ARROW_HEAD)
    return [(BOX_BODY, body), (BOX_SHADE, shade), (BOX_RIM, rim),
            (ARROW, min(shaft, head))]


def render_app_icon(size):
    pixels = []
    edge = 1.0 / size  # a one-pixel darker outline at every size
    # The tile's sides fall on pixel boundaries so that small sizes stay crisp.
    margin = round(0.04 * size) / size
    for y in range(size):
        for x in range(size):
            px, py = (x + 0.5) / size, (y + 0.5) / size
            p = (0.0, 0.0, 0.0, 0.0)
            tile = sd_round_rect(px, py, margin, margin, 1 - margin, 1 - margin, 0.17)
            p = over(p, TILE_EDGE, coverage(tile, size))
            p = over(p, lerp(TILE_TOP, TILE_BOTTOM, py), coverage(tile + edge, size))
            for rgb, sd in emblem_layers(px, py):
                p = over(p, rgb, coverage(sd, size))
            pixels.append(p)
    return unpremultiply(pixels)


def unpremultiply(pixels):
    out = []
    for r, g, b, a in pixels:
        a8 = int(round(a * 255))
        if a8 == 0:
            out.append((0, 0, 0, 0))
        else:
            out.append((int(round(r / a)), int(round(g / a)), int(round(b / a)), a8))
    return out


# ---------------------------------------------------------------------------
# Palette reduction: median cut over the opaque colours, then nearest colour.


def median_cut(colours, n):
    """colours: dict rgb -> count. Returns up to n colours, deterministic."""
    boxes = [sorted(colours.items())]
    while len(boxes) < n:
        best, best_score = None, 0
        for i, box in enumerate(boxes):
            if len(box) < 2:
                continue
            ranges = [max(c[0][k] for c in box) - min(c[0][k] for c in box) for k in range(3)]
            score = max(ranges) * sum(c[1] for c in box)
            if score > best_score:
                best, best_score = i, score
        if best is None:
            break
        box = boxes.pop(best)
        ranges = [max(c[0][k] for c in box) - min(c[0][k] for c in box) for k in range(3)]
        k = ranges.index(max(ranges))
        box.sort(key=lambda c: (c[0][k], c[0]))
        total, acc, cut = sum(c[1] for c in box), 0, 1
        for i, c in enumerate(box):
            acc += c[1]
            if acc * 2 >= total:
                cut = max(1, min(len(box) - 1, i + 1))
                break
        boxes[best:best] = [box[:cut], box[cut:]]
    result = []
    for box in boxes:
        total = sum(c[1] for c in box)
        result.append(tuple(int(round(sum(c[0][k] * c[1] for c in box) / total)) for k in range(3)))
    return result


def nearest(palette, rgb, cache):
    hit = cache.get(rgb)
    if hit is None:
        hit = min(range(len(palette)), key=lambda i: (
            sum((palette[i][k] - rgb[k]) ** 2 for k in range(3)), i))
        cache[rgb] = hit
    return hit


def to_indexed(rgba, colour_count, reserve_black):
    """Opaque pixels (alpha >= 128) go to a palette of colour_count entries;
    index 0 is black when the image has a transparent part, because the
    XOR bitmap must be black where the AND mask lets the screen through."""
    counts = {}
    for r, g, b, a in rgba:
        if a >= 128:
            counts[(r, g, b)] = counts.get((r, g, b), 0) + 1
    first = [(0, 0, 0)] if reserve_black else []
    if len(counts) <= colour_count - len(first):
        palette = first + sorted(counts)
    else:
        palette = first + median_cut(counts, colour_count - len(first))
    cache = {}
    lookup = palette[len(first):]
    indices, mask = [], []
    for r, g, b, a in rgba:
        if a >= 128:
            indices.append(nearest(lookup, (r, g, b), cache) + len(first))
            mask.append(0)
        else:
            indices.append(0)
            mask.append(1)
    palette += [(0, 0, 0)] * (colour_count - len(palette))
    return palette, indices, mask


# ---------------------------------------------------------------------------
# File formats.


def row_stride(width, bits):
    return (width * bits + 31) // 32 * 4


def pack_rows(values, width, height, bits):
    """Bottom-up rows of palette indices, each padded to 32 bits."""
    stride = row_stride(width, bits)
    out = bytearray()
    per_byte = 8 // bits
    for y in range(height - 1, -1, -1):
        row = bytearray(stride)
        for x in range(width):
            v = values[y * width + x]
            shift = 8 - bits * (x % per_byte + 1)
            row[x // per_byte] |= v << shift
        out += row
    return bytes(out)


def bitmap_info(width, height, bits, image_size, colours):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0,
                       image_size, 0, 0, colours, 0)


def rgbquads(palette):
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)


def icon_image_dib(rgba, width, height, bits):
    """One icon image: BITMAPINFOHEADER (double height), palette, XOR, AND."""
    if bits == 32:
        mask = [1 if p[3] == 0 else 0 for p in rgba]
        xor = bytearray()
        for y in range(height - 1, -1, -1):
            for r, g, b, a in rgba[y * width:(y + 1) * width]:
                xor += bytes((b, g, r, a))
        palette_bytes, colours = b"", 0
    else:
        transparent = any(p[3] < 128 for p in rgba)
        palette, indices, mask = to_indexed(rgba, 1 << bits, transparent)
        xor = pack_rows(indices, width, height, bits)
        palette_bytes, colours = rgbquads(palette), len(palette)
    and_mask = pack_rows(mask, width, height, 1)
    header = bitmap_info(width, height * 2, bits, len(xor) + len(and_mask), colours)
    return header + palette_bytes + bytes(xor) + and_mask


def png_chunk(kind, data):
    return (struct.pack(">I", len(data)) + kind + data
            + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))


def png_image(rgba, width, height):
    raw = bytearray()
    for y in range(height):
        raw.append(0)
        for p in rgba[y * width:(y + 1) * width]:
            raw += bytes(p)
    ihdr = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", ihdr)
            + png_chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + png_chunk(b"IEND", b""))


def ico_file(images):
    """images: list of (width, height, bits, image bytes)."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    body = b""
    for width, height, bits, data in images:
        colour_count = 1 << bits if bits < 8 else 0
        out += struct.pack("<BBBBHHII", width % 256, height % 256, colour_count, 0,
                           1, bits, len(data), offset)
        offset += len(data)
        body += data
    return out + body


def bmp_file(palette, indices, width, height):
    pixels = pack_rows(indices, width, height, 8)
    info = bitmap_info(width, height, 8, len(pixels), len(palette))
    offset = 14 + len(info) + 4 * len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + rgbquads(palette) + pixels


# ---------------------------------------------------------------------------
# The application icon.


def make_app_icon():
    images = []
    renders = {size: render_app_icon(size) for size in (16, 32, 48)}
    for bits in (4, 8, 32):
        for size in (16, 32, 48):
            images.append((size, size, bits, icon_image_dib(renders[size], size, size, bits)))
    images.append((256, 256, 32, png_image(render_app_icon(256), 256, 256)))
    return ico_file(images)


# ---------------------------------------------------------------------------
# Flags, 16 by 12 pixels, drawn as pixel art: at this size hand-placed
# pixels read better than any scaled drawing.

W, H = 16, 12


def stripes(colours, vertical=False):
    n = len(colours)
    return [[colours[(x if vertical else y) * n // (W if vertical else H)]
             for x in range(W)] for y in range(H)]


def art(rows, legend):
    assert len(rows) == H and all(len(r) == W for r in rows), rows
    return [[legend[ch] for ch in row] for row in rows]


def nordic(field, cross, inner=None):
    def colour(x, y):
        if inner and (x in (5, 6) or y in (5, 6)):
            return inner
        if inner and (4 <= x <= 7 or 4 <= y <= 7):
            return cross
        if not inner and (x in (5, 6) or y in (5, 6)):
            return cross
        return field
    return [[colour(x, y) for x in range(W)] for y in range(H)]


def union_flag(blue, white, red):
    # The red diagonals sit off-centre in their white bands as on the real
    # flag: below the diagonal on the hoist side, above it on the fly side.
    # The four corners are one quarter and its turns and mirror images.
    hoist_top = ["WWNNNN", "RWWWNN", "NRRWWN", "NNNRRW"]       # red below
    red_above = ["WWRNNN", "NWWRRN", "NNWWWR", "NNNNWW"]
    fly_top = [r[::-1] for r in red_above]
    hoist_bottom = [r[::-1] for r in reversed(fly_top)]
    fly_bottom = [r[::-1] for r in reversed(hoist_top)]
    bar = "WWWWWWWRRWWWWWWW"
    rows = ([a + "WRRW" + b for a, b in zip(hoist_top, fly_top)]
            + [bar, "R" * W, "R" * W, bar]
            + [a + "WRRW" + b for a, b in zip(hoist_bottom, fly_bottom)])
    return art(rows, {"N": blue, "W": white, "R": red})


def czech(white, red, blue):
    def colour(x, y):
        cx, cy = x + 0.5, y + 0.5
        if cx < 8 * (1 - abs(cy - 6) / 6):
            return blue
        return white if y < 6 else red
    return [[colour(x, y) for x in range(W)] for y in range(H)]


def greece(blue, white):
    def colour(x, y):
        if x <= 6 and y <= 6:
            return white if x == 3 or y == 3 else blue
        return blue if y % 2 == 0 else white
    return [[colour(x, y) for x in range(W)] for y in range(H)]


def flags():
    white = hexrgb("ffffff")
    return {
        141: stripes([hexrgb("000000"), hexrgb("dd0000"), hexrgb("ffce00")]),
        142: nordic(hexrgb("c8102e"), white),
        143: art([
            "RRRRRRRRRRRRRRRR",
            "RRRRRRRRRRRRRRRR",
            "RRRRRRRRRRRRRRRR",
            "YYYYYYYYYYYYYYYY",
            "YYYYCCCYYYYYYYYY",
            "YYYYRSRYYYYYYYYY",
            "YYYYRRRYYYYYYYYY",
            "YYYYRRRYYYYYYYYY",
            "YYYYYRYYYYYYYYYY",
            "RRRRRRRRRRRRRRRR",
            "RRRRRRRRRRRRRRRR",
            "RRRRRRRRRRRRRRRR",
        ], {"R": hexrgb("c60b1e"), "Y": hexrgb("ffc400"), "C": hexrgb("b58b00"),
            "S": hexrgb("ffd54a")}),
        144: stripes([hexrgb("0055a4"), white, hexrgb("ef4135")], vertical=True),
        145: union_flag(hexrgb("012169"), white, hexrgb("c8102e")),
        146: stripes([hexrgb("009246"), white, hexrgb("ce2b37")], vertical=True),
        147: stripes([hexrgb("ae1c28"), white, hexrgb("21468b")]),
        148: art([
            "GGGGGGRRRRRRRRRR",
            "GGGGGGRRRRRRRRRR",
            "GGGGGGRRRRRRRRRR",
            "GGGGGYYYRRRRRRRR",
            "GGGGYRRRYRRRRRRR",
            "GGGGYRWRYRRRRRRR",
            "GGGGYRWRYRRRRRRR",
            "GGGGYRRRYRRRRRRR",
            "GGGGGYYYRRRRRRRR",
            "GGGGGGRRRRRRRRRR",
            "GGGGGGRRRRRRRRRR",
            "GGGGGGRRRRRRRRRR",
        ], {"G": hexrgb("046a38"), "R": hexrgb("da291c"), "Y": hexrgb("ffe900"), "W": white}),
        149: art([
            "RRRRRRRRRRRRRRRR",
            "RRRRRRRRRRRRRRRR",
            "RRRRWWWRRRRRRRRR",
            "RRRWWRRRRRRRRRRR",
            "RRWWRRRRRRWRRRRR",
            "RRWWRRRRRWWWRRRR",
            "RRWWRRRRRRWRRRRR",
            "RRWWRRRRRRRRRRRR",
            "RRRWWRRRRRRRRRRR",
            "RRRRWWWRRRRRRRRR",
            "RRRRRRRRRRRRRRRR",
            "RRRRRRRRRRRRRRRR",
        ], {"R": hexrgb("e30a17"), "W": white}),
        150: stripes([white, hexrgb("00966e"), hexrgb("d62612")]),
        151: stripes([hexrgb("002b7f"), hexrgb("fcd116"), hexrgb("ce1126")], vertical=True),
        152: art([
            "RRRRRRRRRRRRRRRR",
            "RRRYRRRYRRRRRRRR",
            "RYYYYYRRYRRRRRRR",
            "RRYYYRRRRRRRRRRR",
            "RRYRYRRRYRRRRRRR",
            "RRRRRRRYRRRRRRRR",
            "RRRRRRRRRRRRRRRR",
            "RRRRRRRRRRRRRRRR",
            "RRRRRRRRRRRRRRRR",
            "RRRRRRRRRRRRRRRR",
            "RRRRRRRRRRRRRRRR",
            "RRRRRRRRRRRRRRRR",
        ], {"R": hexrgb("de2910"), "Y": hexrgb("ffde00")}),
        153: czech(white, hexrgb("d7141a"), hexrgb("11457e")),
        154: nordic(hexrgb("ba0c2f"), white, hexrgb("00205b")),
        155: greece(hexrgb("0d5eaf"), white),
        156: stripes([white, hexrgb("dc143c")]),
        157: art([
            "WWWWWWWWWWWWWWWW",
            "BBBBBBBBBBBBBBBB",
            "WWWWWWWWWWWWWWWW",
            "WWWWWWWBBWWWWWWW",
            "WWWWWBBBBBBWWWWW",
            "WWWWWWBWWBWWWWWW",
            "WWWWWWBWWBWWWWWW",
            "WWWWWBBBBBBWWWWW",
            "WWWWWWWBBWWWWWWW",
            "WWWWWWWWWWWWWWWW",
            "BBBBBBBBBBBBBBBB",
            "WWWWWWWWWWWWWWWW",
        ], {"W": white, "B": hexrgb("0038b8")}),
    }


def with_border(grid):
    """Darkens the outermost pixels so that white parts keep an edge."""
    out = []
    for y, row in enumerate(grid):
        new = []
        for x, c in enumerate(row):
            if x in (0, W - 1) or y in (0, H - 1):
                c = tuple(int(v * 0.7) for v in c)
            new.append(c)
        out.append(new)
    return out


def make_flag_icon(grid):
    rgba = [(r, g, b, 255) for row in with_border(grid) for r, g, b in row]
    bits = 4 if len(set(rgba)) <= 16 else 8
    return ico_file([(W, H, bits, icon_image_dib(rgba, W, H, bits)),
                     (W, H, 32, icon_image_dib(rgba, W, H, 32))])


# ---------------------------------------------------------------------------
# The wizard's side picture: a quiet gradient with the emblem, faded.

SIDE_W, SIDE_H = 87, 171
SIDE_TOP, SIDE_BOTTOM = hexrgb("dbe8f5"), hexrgb("2f6aa8")


def make_side_bitmap():
    pixels = []
    for y in range(SIDE_H):
        for x in range(SIDE_W):
            fy = (y + 0.5) / SIDE_H
            p = over((0.0, 0.0, 0.0, 0.0), lerp(SIDE_TOP, SIDE_BOTTOM, fy), 1.0)
            # Two soft bands rising towards the fly side, in the lower half.
            for base, alpha in ((0.70, 0.16), (0.80, 0.12)):
                wave = base - 0.05 * math.sin((x + 0.5) / SIDE_W * math.pi)
                d = abs(fy - wave) * SIDE_H - 3.0
                p = over(p, (255, 255, 255), alpha * coverage(d, 1.0))
            # The emblem in the upper part, 60 pixels wide, semi-transparent.
            size = 60
            ex, ey = ((x + 0.5) - (SIDE_W - size) / 2) / size, ((y + 0.5) - 22) / size
            if -0.1 <= ex <= 1.1 and -0.1 <= ey <= 1.1:
                for rgb, sd in emblem_layers(ex, ey):
                    p = over(p, lerp(rgb, (255, 255, 255), 0.35), 0.55 * coverage(sd, size))
            pixels.append(p)
    rgba = unpremultiply(pixels)
    palette, indices, _ = to_indexed(rgba, 256, False)
    return bmp_file(palette, indices, SIDE_W, SIDE_H)


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: make_images.py OUTPUT_FOLDER\n")
        return 2
    out = argv[1]
    os.makedirs(out, exist_ok=True)
    files = {"app.ico": make_app_icon(), "side.bmp": make_side_bitmap()}
    for ident, grid in flags().items():
        files["flag_%d.ico" % ident] = make_flag_icon(grid)
    for name, data in sorted(files.items()):
        # Written through a temporary name so an interrupted run never
        # leaves a truncated picture that a later build would take as done.
        path = os.path.join(out, name)
        with open(path + ".tmp", "wb") as f:
            f.write(data)
        os.replace(path + ".tmp", path)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
