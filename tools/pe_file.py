"""Reads what the build and its checks need from a 32-bit PE executable:
its sections (long names resolved), its resources, its debug link and its
data directories. Read-only; no Windows needed.
"""

import struct

RT_BITMAP, RT_ICON, RT_GROUP_ICON = 2, 3, 14
PAYLOAD_TYPE, PAYLOAD_NAME = 260, 134
DIRECTORY_SECURITY = 4


class Section:
    def __init__(self, name, virtual_size, rva, raw_size, raw_offset):
        self.name = name
        self.virtual_size = virtual_size
        self.rva = rva
        self.raw_size = raw_size
        self.raw_offset = raw_offset


class PeFile:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        data = self.data
        if data[:2] != b"MZ":
            raise ValueError("%s: not an MZ executable" % path)
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("%s: not a PE file" % path)
        (self.machine, count, self.time_stamp, symbols, symbol_count, opt_size, _) = struct.unpack_from(
            "<HHIIIHH", data, pe + 4)
        self.optional_header = pe + 24
        magic = struct.unpack_from("<H", data, self.optional_header)[0]
        if magic != 0x10B:
            raise ValueError("%s: not a 32-bit image" % path)
        self.checksum_offset = self.optional_header + 64
        directories = struct.unpack_from("<I", data, self.optional_header + 92)[0]
        self.directory_table = self.optional_header + 96
        self.directory_count = directories
        self.symbol_count = symbol_count if symbols else 0
        strings = symbols + 18 * symbol_count if symbols else 0
        self.sections = []
        table = self.optional_header + opt_size
        for i in range(count):
            raw_name, vsize, va, raw_size, raw = struct.unpack_from("<8sIIII", data, table + 40 * i)
            name = raw_name.rstrip(b"\0").decode("latin-1")
            if name.startswith("/") and strings:
                start = strings + int(name[1:])
                name = data[start:data.index(b"\0", start)].decode("latin-1")
            self.sections.append(Section(name, vsize, va, raw_size, raw))

    def section(self, name):
        return next((s for s in self.sections if s.name == name), None)

    def section_bytes(self, name):
        s = self.section(name)
        return None if s is None else self.data[s.raw_offset:s.raw_offset + min(s.raw_size, s.virtual_size)]

    def directory(self, index):
        """(rva or file offset, size) of a data directory entry."""
        if index >= self.directory_count:
            return (0, 0)
        return struct.unpack_from("<II", self.data, self.directory_table + 8 * index)

    def file_offset(self, rva):
        for s in self.sections:
            if s.rva <= rva < s.rva + max(s.virtual_size, s.raw_size):
                return rva - s.rva + s.raw_offset
        raise ValueError("address 0x%x is in no section" % rva)

    def resources(self):
        """{(type, id): bytes} of the first language of every resource with numeric type and id."""
        rsrc = self.section(".rsrc")
        if rsrc is None:
            return {}
        data, base = self.data, rsrc.raw_offset

        def entries(offset):
            named, ids = struct.unpack_from("<12xHH", data, base + offset)
            for i in range(named + ids):
                yield struct.unpack_from("<II", data, base + offset + 16 + 8 * i)

        out = {}
        for rtype, types in entries(0):
            for rid, names in entries(types & 0x7FFFFFFF):
                _, leaf = next(entries(names & 0x7FFFFFFF))
                rva, size = struct.unpack_from("<II", data, base + leaf)
                start = self.file_offset(rva)
                out[(rtype, rid)] = data[start:start + size]
        return out

    def debug_link(self):
        """(file name, CRC-32) of the .gnu_debuglink section, or None."""
        link = self.section_bytes(".gnu_debuglink")
        if link is None:
            return None
        end = link.index(b"\0")
        crc_at = (end + 4) & ~3
        return link[:end].decode("utf-8"), struct.unpack_from("<I", link, crc_at)[0]
