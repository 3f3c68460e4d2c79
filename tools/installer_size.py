#!/usr/bin/env python3
"""Prints how the shipped installer's bytes split up, after every link.

    installer_size.py INSTALLER_EXE

Overhead is everything but the payload resource: what the installer itself
costs a user who downloads it.
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from pe_file import PAYLOAD_NAME, PAYLOAD_TYPE, PeFile  # noqa: E402

# A ceiling that holds today's size with room for small changes, so that a
# large addition is noticed. The static C++ runtime takes most of it: its
# locale machinery, set up by every stream, is about 870 KB with its unwind
# tables, and the stream classes that the payload code uses about 180 KB more.
OVERHEAD_LIMIT = 1664 * 1024
UNWIND_SECTIONS = (".eh_frame", ".pdata", ".xdata")


def size_split(path):
    """[(part, bytes)] in file bytes, summing to the file's size."""
    pe = PeFile(path)
    total = len(pe.data)
    payload = len(pe.resources().get((PAYLOAD_TYPE, PAYLOAD_NAME), b""))
    raw = {s.name: s.raw_size for s in pe.sections}
    code = raw.get(".text", 0)
    unwind = sum(raw.get(name, 0) for name in UNWIND_SECTIONS)
    resources = raw.get(".rsrc", 0) - payload
    debug = sum(size for name, size in raw.items() if name.startswith(".debug"))
    other = total - code - unwind - resources - debug - payload
    return [("code (.text)", code), ("unwind data", unwind), ("resources without the payload", resources),
            ("debug information", debug), ("other (headers, data, imports, relocations)", other),
            ("payload", payload), ("total", total)]


def overhead(split):
    parts = dict(split)
    return parts["total"] - parts["payload"]


def main():
    split = size_split(sys.argv[1])
    print("size of %s:" % os.path.basename(sys.argv[1]))
    for part, size in split:
        print("  %-45s %10s bytes %9.1f KiB" % (part, format(size, ","), size / 1024))
    extra = overhead(split)
    verdict = "within" if extra <= OVERHEAD_LIMIT else "OVER"
    print("  %-45s %10s bytes %9.1f KiB (%s the limit of %s)" % (
        "overhead (total minus payload)", format(extra, ","), extra / 1024, verdict, format(OVERHEAD_LIMIT, ",")))


if __name__ == "__main__":
    main()
