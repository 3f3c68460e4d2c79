#!/usr/bin/env python3
"""Runs tools/make_images.py and checks what it writes.

    test_make_images.py PATH_TO_make_images.py

The pictures are decoded here independently of the generator, so a fault in
its file writers shows up as a wrong header, a wrong size or a wrong pixel.
"""

import os
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

GENERATOR = None
FLAG_IDS = range(141, 158)
EXPECTED_FILES = sorted(["app.ico", "side.bmp"] + ["flag_%d.ico" % i for i in FLAG_IDS])


def run_generator(folder):
    subprocess.run([sys.executable, GENERATOR, folder], check=True)
    files = {}
    for name in sorted(os.listdir(folder)):
        with open(os.path.join(folder, name), "rb") as f:
            files[name] = f.read()
    return files


def ico_entries(data):
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if (reserved, kind) != (0, 1):
        raise ValueError("not an icon file")
    entries = []
    for i in range(count):
        w, h, colours, res, planes, bits, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        entries.append(dict(width=w or 256, height=h or 256, colours=colours, reserved=res,
                            planes=planes, bits=bits, data=data[offset:offset + size],
                            end=offset + size))
    return entries


def decode_dib(entry):
    """Returns the image as a list of rows of (r, g, b, a), top row first."""
    data = entry["data"]
    size, width, height2, planes, bits, compression, image_size, _, _, used, _ = \
        struct.unpack_from("<IiiHHIIiiII", data, 0)
    assert size == 40 and planes == 1 and compression == 0, "unexpected DIB header"
    assert (width, height2, bits) == (entry["width"], 2 * entry["height"], entry["bits"]), \
        "DIB header disagrees with the directory"
    height = height2 // 2
    palette_len = (used or (1 << bits)) if bits <= 8 else 0
    pal = [tuple(data[40 + 4 * i + k] for k in (2, 1, 0)) for i in range(palette_len)]
    pos = 40 + 4 * palette_len
    stride = (width * bits + 31) // 32 * 4
    mask_stride = (width + 31) // 32 * 4
    assert image_size in (0, stride * height + mask_stride * height)
    assert len(data) == pos + stride * height + mask_stride * height, "DIB size is wrong"
    mask_pos = pos + stride * height
    rows = []
    for y in range(height):
        src = height - 1 - y  # bottom-up
        row = []
        for x in range(width):
            masked = (data[mask_pos + src * mask_stride + x // 8] >> (7 - x % 8)) & 1
            if bits == 32:
                b, g, r, a = data[pos + src * stride + 4 * x:pos + src * stride + 4 * x + 4]
            else:
                byte = data[pos + src * stride + x * bits // 8]
                index = (byte >> (8 - bits - (x * bits) % 8)) & ((1 << bits) - 1)
                r, g, b = pal[index]
                a = 0 if masked else 255
                if masked:
                    assert (r, g, b) == (0, 0, 0), "transparent pixel must be black in the XOR image"
            row.append((r, g, b, a))
        rows.append(row)
    return rows


def decode_png(data):
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "no PNG signature"
    pos, chunks = 8, []
    while pos < len(data):
        length, = struct.unpack_from(">I", data, pos)
        kind = data[pos + 4:pos + 8]
        body = data[pos + 8:pos + 8 + length]
        crc, = struct.unpack_from(">I", data, pos + 8 + length)
        assert crc == zlib.crc32(kind + body) & 0xFFFFFFFF, "bad CRC in %r" % kind
        chunks.append((kind, body))
        pos += 12 + length
    assert chunks[0][0] == b"IHDR" and chunks[-1][0] == b"IEND"
    width, height, depth, colour_type, _, _, interlace = struct.unpack(">IIBBBBB", chunks[0][1])
    raw = zlib.decompress(b"".join(b for k, b in chunks if k == b"IDAT"))
    assert len(raw) == height * (1 + 4 * width)
    return width, height, depth, colour_type, interlace, raw


class GeneratorOutput(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with tempfile.TemporaryDirectory() as a, tempfile.TemporaryDirectory() as b:
            cls.first = run_generator(a)
            cls.second = run_generator(b)

    def test_writes_every_file_and_the_same_bytes_each_run(self):
        self.assertEqual(sorted(self.first), EXPECTED_FILES)
        for name in EXPECTED_FILES:
            with self.subTest(name=name):
                self.assertEqual(self.first[name], self.second[name])

    def test_application_icon_directory(self):
        entries = ico_entries(self.first["app.ico"])
        got = sorted((e["width"], e["height"], e["bits"], e["colours"], e["planes"]) for e in entries)
        want = sorted([(s, s, 4, 16, 1) for s in (16, 32, 48)]
                      + [(s, s, 8, 0, 1) for s in (16, 32, 48)]
                      + [(s, s, 32, 0, 1) for s in (16, 32, 48)]
                      + [(256, 256, 32, 0, 1)])
        self.assertEqual(got, want)
        self.assertEqual(max(e["end"] for e in entries), len(self.first["app.ico"]))

    def test_application_icon_images(self):
        for e in ico_entries(self.first["app.ico"]):
            with self.subTest(size=e["width"], bits=e["bits"]):
                if e["width"] == 256:
                    w, h, depth, colour_type, interlace, raw = decode_png(e["data"])
                    self.assertEqual((w, h, depth, colour_type, interlace), (256, 256, 8, 6, 0))
                    alphas = {raw[y * (1 + 4 * w) + 1 + 4 * x + 3] for y in range(h) for x in range(w)}
                    self.assertTrue(any(0 < a < 255 for a in alphas), "no anti-aliased edge")
                    continue
                rows = decode_dib(e)
                size = e["width"]
                # A tile with transparent corners and an opaque middle.
                self.assertEqual(rows[0][0][3], 0)
                self.assertEqual(rows[size - 1][size - 1][3], 0)
                self.assertEqual(rows[size // 2][size // 2][3], 255)
                if e["bits"] == 32:
                    self.assertTrue(any(0 < p[3] < 255 for row in rows for p in row),
                                    "no anti-aliased edge")

    def test_palette_images_match_the_true_colour_image(self):
        # The low-colour images must show the same picture, not just any
        # picture of the right size: compare outline and colours.
        by_key = {(e["width"], e["bits"]): decode_dib(e)
                  for e in ico_entries(self.first["app.ico"]) if e["width"] != 256}
        for size in (16, 32, 48):
            full = by_key[(size, 32)]
            for bits, tolerance in ((8, 40), (4, 90)):
                with self.subTest(size=size, bits=bits):
                    low = by_key[(size, bits)]
                    for y in range(size):
                        for x in range(size):
                            a = full[y][x]
                            b = low[y][x]
                            self.assertEqual(b[3] == 255, a[3] >= 128, (x, y))
                            if b[3]:
                                self.assertLessEqual(max(abs(a[k] - b[k]) for k in range(3)),
                                                     tolerance, (x, y, a, b))

    def test_flag_icons(self):
        for ident in FLAG_IDS:
            with self.subTest(flag=ident):
                entries = ico_entries(self.first["flag_%d.ico" % ident])
                self.assertEqual(sorted(e["bits"] for e in entries)[-1], 32)
                self.assertEqual(len(entries), 2)
                self.assertIn(entries[0]["bits"], (4, 8))
                images = []
                for e in entries:
                    self.assertEqual((e["width"], e["height"], e["planes"]), (16, 12, 1))
                    images.append(decode_dib(e))
                # Flags are flat colours: every image holds exactly the same pixels.
                self.assertEqual(images[0], images[1])

    def test_flag_colours(self):
        # One or two telling pixels per flag (away from the darkened edge),
        # so that a swapped or mis-drawn flag is caught.
        cases = {
            141: [((8, 2), "000000"), ((8, 5), "dd0000"), ((8, 9), "ffce00")],
            142: [((2, 2), "c8102e"), ((5, 8), "ffffff"), ((10, 6), "ffffff")],
            143: [((10, 1), "c60b1e"), ((10, 6), "ffc400")],
            144: [((2, 6), "0055a4"), ((8, 6), "ffffff"), ((13, 6), "ef4135")],
            145: [((7, 2), "c8102e"), ((2, 5), "c8102e"), ((6, 2), "ffffff"), ((14, 3), "012169")],
            146: [((2, 6), "009246"), ((8, 6), "ffffff"), ((13, 6), "ce2b37")],
            147: [((8, 2), "ae1c28"), ((8, 6), "ffffff"), ((8, 9), "21468b")],
            148: [((2, 6), "046a38"), ((12, 6), "da291c"), ((6, 3), "ffe900")],
            149: [((13, 2), "e30a17"), ((2, 5), "ffffff"), ((10, 5), "ffffff")],
            150: [((8, 2), "ffffff"), ((8, 6), "00966e"), ((8, 9), "d62612")],
            151: [((2, 6), "002b7f"), ((8, 6), "fcd116"), ((13, 6), "ce1126")],
            152: [((3, 3), "ffde00"), ((12, 8), "de2910")],
            153: [((2, 6), "11457e"), ((12, 3), "ffffff"), ((12, 9), "d7141a")],
            154: [((2, 2), "ba0c2f"), ((5, 8), "00205b"), ((4, 8), "ffffff")],
            155: [((1, 1), "0d5eaf"), ((3, 1), "ffffff"), ((10, 2), "0d5eaf"), ((10, 3), "ffffff")],
            156: [((8, 3), "ffffff"), ((8, 8), "dc143c")],
            157: [((8, 1), "0038b8"), ((8, 10), "0038b8"), ((3, 6), "ffffff"), ((6, 5), "0038b8")],
        }
        self.assertEqual(sorted(cases), list(FLAG_IDS))
        for ident, points in cases.items():
            rows = decode_dib(ico_entries(self.first["flag_%d.ico" % ident])[-1])
            for (x, y), colour in points:
                with self.subTest(flag=ident, x=x, y=y):
                    want = tuple(int(colour[i:i + 2], 16) for i in (0, 2, 4)) + (255,)
                    self.assertEqual(rows[y][x], want)
            with self.subTest(flag=ident, part="border"):
                # White parts keep a visible edge against a white list background.
                edge = rows[0] + rows[11] + [row[0] for row in rows] + [row[15] for row in rows]
                self.assertFalse([p for p in edge if min(p[:3]) > 200])

    def test_side_bitmap(self):
        data = self.first["side.bmp"]
        magic, file_size, _, _, offset = struct.unpack_from("<2sIHHI", data, 0)
        size, width, height, planes, bits, compression, image_size, _, _, used, _ = \
            struct.unpack_from("<IiiHHIIiiII", data, 14)
        self.assertEqual((magic, file_size, size), (b"BM", len(data), 40))
        self.assertEqual((width, height, planes, bits, compression), (87, 171, 1, 8, 0))
        self.assertIn(used, (0, 256))
        self.assertEqual(offset, 14 + 40 + 4 * 256)
        self.assertEqual(image_size, 88 * 171)
        self.assertEqual(len(data), offset + 88 * 171)
        palette = [tuple(data[54 + 4 * i + k] for k in (2, 1, 0)) for i in range(256)]
        pixels = data[offset:]

        def brightness(x, y):  # y counted from the top, rows stored bottom-up
            return sum(palette[pixels[(170 - y) * 88 + x]])
        # A vertical gradient, light at the top and darker at the bottom.
        self.assertGreater(brightness(2, 2), brightness(2, 168) + 150)
        self.assertGreater(len({pixels[(170 - y) * 88 + 2] for y in range(171)}), 32,
                           "gradient has collapsed to a few bands")

    def test_usage_error(self):
        result = subprocess.run([sys.executable, GENERATOR], capture_output=True)
        self.assertEqual(result.returncode, 2)
        self.assertIn(b"usage", result.stderr)


if __name__ == "__main__":
    GENERATOR = sys.argv.pop(1)
    unittest.main()
