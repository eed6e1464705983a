#!/usr/bin/python3
"""Reads what the Windows setup program leaves behind, for scripts/test-windows-setup.

  setup_checks.py resources FILE.exe   the icon sizes and version strings compiled in
  setup_checks.py shortcut FILE.lnk    the target, arguments and icon of a shortcut

Each prints "key: value" lines; a file that is not what it should be ends
the script with a message and exit status 1.
"""
import struct
import sys

RT_ICON, RT_GROUP_ICON, RT_VERSION = 3, 14, 16


def fail(why):
    sys.exit(f"setup_checks: {why}")


def rva_to_offset(sections, rva):
    for virtual_address, size, raw in sections:
        if virtual_address <= rva < virtual_address + size:
            return raw + rva - virtual_address
    fail(f"address {rva:#x} lies in no section")


def resources(data):
    """{type id: [data bytes of each resource of that type]}"""
    if data[:2] != b"MZ":
        fail("not a Windows program")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        fail("no PE header")
    count, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (112 if magic == 0x20B else 96)
    rsrc_rva, rsrc_size = struct.unpack_from("<II", data, directories + 2 * 8)
    if rsrc_size == 0:
        return {}
    sections = []
    for i in range(count):
        s = optional + optional_size + 40 * i
        virtual_size, virtual_address, raw_size, raw = struct.unpack_from("<IIII", data, s + 8)
        sections.append((virtual_address, max(virtual_size, raw_size), raw))
    base = rva_to_offset(sections, rsrc_rva)

    def entries(offset):
        named, ids = struct.unpack_from("<HH", data, base + offset + 12)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", data, base + offset + 16 + 8 * i)
            yield name, target

    def leaves(target):
        if target & 0x80000000:
            for _, child in entries(target & 0x7FFFFFFF):
                yield from leaves(child)
        else:
            rva, size = struct.unpack_from("<II", data, base + target)
            start = rva_to_offset(sections, rva)
            yield data[start:start + size]

    found = {}
    for kind, target in entries(0):
        found.setdefault(kind, []).extend(leaves(target))
    return found


def version_strings(block):
    """Key -> value of the StringFileInfo tables of a VS_VERSIONINFO block."""
    strings = {}

    def walk(offset, end):
        while offset + 6 <= end:
            length, value_length, kind = struct.unpack_from("<HHH", block, offset)
            if length == 0:
                break
            key_end = offset + 6
            while block[key_end:key_end + 2] != b"\0\0":
                key_end += 2
            key = block[offset + 6:key_end].decode("utf-16-le")
            value = (key_end + 2 + 3) & ~3
            value_bytes = value_length * 2 if kind == 1 else value_length
            if kind == 1 and value_length:
                strings[key] = block[value:value + value_bytes].decode("utf-16-le").rstrip("\0")
            children = (value + value_bytes + 3) & ~3
            walk(children, offset + length)
            offset = (offset + length + 3) & ~3

    walk(0, len(block))
    return strings


def show_resources(path):
    found = resources(open(path, "rb").read())
    groups = found.get(RT_GROUP_ICON, [])
    if not groups:
        fail(f"{path}: no icon")
    sizes = []
    for group in groups[:1]:
        count = struct.unpack_from("<H", group, 4)[0]
        for i in range(count):
            width = group[6 + 14 * i]
            sizes.append(256 if width == 0 else width)
    print("icon sizes:", " ".join(str(s) for s in sorted(sizes)))
    if RT_VERSION not in found:
        fail(f"{path}: no version information")
    for key, value in sorted(version_strings(found[RT_VERSION][0]).items()):
        print(f"{key}: {value}")


def show_shortcut(path):
    data = open(path, "rb").read()
    if data[:4] != b"\x4c\0\0\0":
        fail(f"{path}: not a shortcut")
    flags = struct.unpack_from("<I", data, 0x14)[0]
    offset = 0x4C
    if flags & 0x01:  # an item list of the target
        offset += 2 + struct.unpack_from("<H", data, offset)[0]
    if flags & 0x02:  # where the target lies
        size, header, _, _, local_base = struct.unpack_from("<IIIII", data, offset)
        if local_base:
            end = data.index(b"\0", offset + local_base)
            print("target: " + data[offset + local_base:end].decode("latin-1"))
        offset += size
    unicode = flags & 0x80
    for bit, name in ((0x04, "description"), (0x08, "relative path"), (0x10, "working folder"),
                      (0x20, "arguments"), (0x40, "icon")):
        if flags & bit:
            count = struct.unpack_from("<H", data, offset)[0]
            offset += 2
            width = 2 if unicode else 1
            text = data[offset:offset + count * width]
            offset += count * width
            # Some writers count the terminating zero.
            print(f"{name}: " + text.decode("utf-16-le" if unicode else "latin-1").rstrip("\0"))


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] not in ("resources", "shortcut"):
        sys.exit(__doc__)
    (show_resources if sys.argv[1] == "resources" else show_shortcut)(sys.argv[2])
