#!/usr/bin/env python3
"""Checks that the built installer carries the drawn pictures unchanged.

    test_installer_images.py INSTALLER_EXE IMAGE_FOLDER

Reads the executable's resource section directly, so that a missing or
renumbered icon, or a stale picture, is caught without starting Windows.
"""

import os
import struct
import sys
import unittest

RT_BITMAP, RT_ICON, RT_GROUP_ICON = 2, 3, 14
EXE = FOLDER = None


def read_resources(path):
    """Returns {(type, id): bytes} of the first language of every resource."""
    with open(path, "rb") as f:
        data = f.read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    assert data[pe:pe + 4] == b"PE\0\0", "not a PE file"
    sections, opt_size = struct.unpack_from("<2xH12xH", data, pe + 4)
    table = pe + 24 + opt_size
    rsrc = None
    for i in range(sections):
        name, vsize, va, raw_size, raw = struct.unpack_from("<8sIIII", data, table + 40 * i)
        if name.rstrip(b"\0") == b".rsrc":
            rsrc = (va, raw)
    assert rsrc, "no resource section"
    va, raw = rsrc

    def directory(offset):
        named, ids = struct.unpack_from("<12xHH", data, raw + offset)
        for i in range(named + ids):
            ident, target = struct.unpack_from("<II", data, raw + offset + 16 + 8 * i)
            yield ident, target

    out = {}
    for rtype, t in directory(0):
        for rid, n in directory(t & 0x7FFFFFFF):
            _, leaf = next(directory(n & 0x7FFFFFFF))
            rva, size = struct.unpack_from("<II", data, raw + leaf)
            out[(rtype, rid)] = data[rva - va + raw:rva - va + raw + size]
    return out


class InstallerImages(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.res = read_resources(EXE)

    def icon_group_matches(self, group_id, ico_name):
        with open(os.path.join(FOLDER, ico_name), "rb") as f:
            ico = f.read()
        group = self.res.get((RT_GROUP_ICON, group_id))
        self.assertIsNotNone(group, "icon group %d missing" % group_id)
        _, kind, count = struct.unpack_from("<HHH", group, 0)
        self.assertEqual((kind, count), (1, struct.unpack_from("<H", ico, 4)[0]))
        for i in range(count):
            w, h, colours, _, planes, bits, size, icon_id = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i)
            fw, fh, fcolours, _, fplanes, fbits, fsize, offset = struct.unpack_from("<BBBBHHII", ico, 6 + 16 * i)
            self.assertEqual((w, h, colours, planes, bits, size), (fw, fh, fcolours, fplanes, fbits, fsize))
            self.assertEqual(self.res.get((RT_ICON, icon_id)), ico[offset:offset + fsize])

    def test_application_icon(self):
        self.icon_group_matches(128, "app.ico")

    def test_flag_icons(self):
        for ident in range(141, 158):
            with self.subTest(flag=ident):
                self.icon_group_matches(ident, "flag_%d.ico" % ident)

    def test_side_picture(self):
        with open(os.path.join(FOLDER, "side.bmp"), "rb") as f:
            bmp = f.read()
        # A bitmap resource is the file without its 14-byte file header.
        self.assertEqual(self.res.get((RT_BITMAP, 137)), bmp[14:])


if __name__ == "__main__":
    EXE, FOLDER = sys.argv.pop(1), sys.argv.pop(1)
    unittest.main()
