#!/usr/bin/env python3
"""Checks the installer as users download it, from its bytes.

    test_shipped_installer.py INSTALLER_EXE

It carries no debug information and no time stamp, and stays within its size
budget; its debug information sits beside it in INSTALLER_EXE.debug, which its
debug link names with that file's CRC-32, so that a crash can still be read.
"""

import os
import sys
import unittest
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from installer_size import OVERHEAD_LIMIT, overhead, size_split  # noqa: E402
from pe_file import PeFile  # noqa: E402

EXE = None


class ShippedInstaller(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.pe = PeFile(EXE)

    def test_no_debug_sections_and_no_symbols(self):
        names = [s.name for s in self.pe.sections]
        self.assertIn(".text", names)
        self.assertEqual([n for n in names if n.startswith(".debug") or n.startswith("/")], [])
        self.assertEqual(self.pe.symbol_count, 0)

    def test_no_time_stamp(self):
        # Two builds of the same sources must not differ by their time.
        self.assertEqual(self.pe.time_stamp, 0)
        self.assertEqual(PeFile(EXE + ".debug").time_stamp, 0)

    def test_overhead_within_budget(self):
        split = dict(size_split(EXE))
        self.assertGreater(split["payload"], 1000000)
        self.assertEqual(split["debug information"], 0)
        self.assertLessEqual(overhead(size_split(EXE)), OVERHEAD_LIMIT)

    def test_debug_link_names_the_debug_file_beside_it(self):
        link = self.pe.debug_link()
        self.assertIsNotNone(link, "no .gnu_debuglink section")
        name, crc = link
        self.assertEqual(name, os.path.basename(EXE) + ".debug")
        debug_path = os.path.join(os.path.dirname(EXE), name)
        with open(debug_path, "rb") as f:
            self.assertEqual(zlib.crc32(f.read()), crc, "the debug link's CRC-32 does not match " + debug_path)
        debug = PeFile(debug_path)
        info = debug.section(".debug_info")
        self.assertIsNotNone(info)
        self.assertGreater(info.raw_size, 100000)
        # The same program: the code the debug information describes is where the executable has it.
        self.assertEqual(debug.section(".text").rva, self.pe.section(".text").rva)
        self.assertEqual(debug.section(".text").virtual_size, self.pe.section(".text").virtual_size)


if __name__ == "__main__":
    EXE = sys.argv.pop(1)
    unittest.main()
