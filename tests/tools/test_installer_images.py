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

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from pe_file import RT_BITMAP, RT_GROUP_ICON, RT_ICON, PeFile  # noqa: E402

EXE = FOLDER = None


class InstallerImages(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.res = PeFile(EXE).resources()

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
