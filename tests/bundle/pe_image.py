"""Reads what the bundle tests check in a Windows program file: the machine
and optional-header kind, the subsystem, the DLLs it imports (directly and
delay-loaded) and its version resource."""

import struct

MACHINE_I386 = 0x14C
PE32 = 0x10B
SUBSYSTEM_WINDOWS_GUI = 2
RT_VERSION = 16


class Image:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        self.machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
        optional = pe + 24
        self.magic = struct.unpack_from("<H", data, optional)[0]
        if self.magic != PE32:
            # The fields below are at PE32 offsets only.
            self.subsystem, self.directories, self.sections = None, [], []
            return
        self.subsystem = struct.unpack_from("<H", data, optional + 68)[0]
        count = struct.unpack_from("<I", data, optional + 92)[0]
        self.directories = [struct.unpack_from("<II", data, optional + 96 + 8 * i) for i in range(count)]
        table = optional + optional_size
        self.sections = [struct.unpack_from("<IIII", data, table + 40 * i + 8) for i in range(sections)]

    def offset(self, rva):
        for virtual_size, address, raw_size, raw_offset in self.sections:
            if address <= rva < address + max(virtual_size, raw_size):
                return raw_offset + rva - address
        raise ValueError("address %#x is in no section" % rva)

    def directory(self, index):
        if index >= len(self.directories) or self.directories[index][0] == 0:
            return None
        return self.directories[index]

    def text(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def imports(self):
        """Names of the DLLs the program loads, import table and delay-load table."""
        names = []
        for index, size, name_field in ((1, 20, 12), (13, 32, 4)):
            found = self.directory(index)
            if not found:
                continue
            at = self.offset(found[0])
            while True:
                entry = self.data[at:at + size]
                if entry.count(0) == size:
                    break
                names.append(self.text(struct.unpack_from("<I", entry, name_field)[0]))
                at += size
        return names

    def resource(self, kind):
        """The data of the first resource of a type (first name, first language)."""
        found = self.directory(2)
        if not found:
            return None
        base = self.offset(found[0])
        at = base
        for wanted in (kind, None, None):
            named, numbered = struct.unpack_from("<HH", self.data, at + 12)
            entries = [struct.unpack_from("<II", self.data, at + 16 + 8 * i) for i in range(named + numbered)]
            chosen = [e for e in entries if wanted is None or e[0] == wanted]
            if not chosen:
                return None
            target = chosen[0][1]
            at = base + (target & 0x7FFFFFFF)
            if not target & 0x80000000:
                break
        rva, size = struct.unpack_from("<II", self.data, at)
        return self.data[self.offset(rva):self.offset(rva) + size]

    def version(self):
        """(file version, product version, {string name: value}) of the
        version resource, or None without one."""
        data = self.resource(RT_VERSION)
        if data is None:
            return None
        key, value, children = _version_node(data, 0)[:3]
        if key != "VS_VERSION_INFO" or struct.unpack_from("<I", value)[0] != 0xFEEF04BD:
            raise ValueError("not a version resource")
        file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<IIII", value, 8)
        strings = {}
        for child_key, _, tables, _ in children:
            if child_key == "StringFileInfo":
                for _, _, entries, _ in tables:
                    for name, text, _, _ in entries:
                        strings[name] = text.decode("utf-16-le").rstrip("\0")
        split = lambda ms, ls: (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
        return split(file_ms, file_ls), split(product_ms, product_ls), strings


def _align(n):
    return (n + 3) & ~3


def _version_node(data, at):
    """One node of a version resource: (key, value bytes, children, end)."""
    length, value_length, is_text = struct.unpack_from("<HHH", data, at)
    if length < 6:
        raise ValueError("bad version resource node")
    end = at + length
    key_end = at + 6
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[at + 6:key_end].decode("utf-16-le")
    value_at = _align(key_end + 2)
    value = data[value_at:value_at + value_length * (2 if is_text else 1)]
    children = []
    child = _align(value_at + len(value))
    while child < end:
        node = _version_node(data, child)
        children.append(node)
        child = _align(node[3])
    return key, value, children, end
