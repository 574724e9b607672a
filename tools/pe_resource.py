#!/usr/bin/env python3
"""Copies one resource out of a PE file (32- or 64-bit), e.g. the installer's payload:

    pe_resource.py INSTALLER.exe 260 134 payload.bin

Walks the resource directory (type, then identifier, then the first language) by numeric ids
and checks every offset against the file; exits 1 with a message when the resource is missing
or the file is malformed. Standard library only.
"""
import struct
import sys


class PeError(Exception):
    pass


def unpack(fmt, data, offset):
    size = struct.calcsize(fmt)
    if offset < 0 or offset + size > len(data):
        raise PeError(f"truncated at offset {offset:#x}")
    return struct.unpack_from(fmt, data, offset)


def read_resource(data, type_id, name_id):
    if data[:2] != b"MZ":
        raise PeError("not a PE file (no MZ header)")
    (pe,) = unpack("<I", data, 0x3C)
    if data[pe:pe + 4] != b"PE\0\0":
        raise PeError("not a PE file (no PE signature)")
    sections, optional_size = unpack("<2xH12xH2x", data, pe + 4)
    optional = pe + 24
    (magic,) = unpack("<H", data, optional)
    directories = {0x10B: optional + 96, 0x20B: optional + 112}.get(magic)
    if directories is None:
        raise PeError(f"unknown optional header magic {magic:#x}")
    (count,) = unpack("<I", data, directories - 4)
    if count < 3:
        raise PeError("no resource directory")
    resource_rva, resource_size = unpack("<II", data, directories + 2 * 8)
    if resource_rva == 0:
        raise PeError("no resources")
    table = optional + optional_size
    spans = []
    for i in range(sections):
        virtual_size, virtual_address, raw_size, raw_pointer = unpack("<8xIIII", data, table + 40 * i)
        spans.append((virtual_address, max(virtual_size, raw_size), raw_size, raw_pointer))

    def file_offset(rva, length):
        for address, span, raw_size, raw_pointer in spans:
            if address <= rva and rva + length <= address + min(span, raw_size):
                offset = raw_pointer + rva - address
                if offset + length > len(data):
                    break
                return offset
        raise PeError(f"RVA {rva:#x} (+{length}) lies outside the file's sections")

    base = file_offset(resource_rva, 16)

    def entries(directory):
        named, ids = unpack("<12xHH", data, base + directory)
        for i in range(named + ids):
            name, target = unpack("<II", data, base + directory + 16 + 8 * i)
            yield name, target

    def subdirectory(directory, wanted, what):
        for name, target in entries(directory):
            if not name & 0x80000000 and name == wanted:
                if not target & 0x80000000:
                    raise PeError(f"{what} {wanted} is not a directory")
                return target & 0x7FFFFFFF
        raise PeError(f"no resource {what} {wanted}")

    names = subdirectory(0, type_id, "type")
    languages = subdirectory(names, name_id, "identifier")
    for _, target in entries(languages):
        if target & 0x80000000:
            raise PeError("malformed language level")
        data_rva, size = unpack("<II", data, base + target)
        offset = file_offset(data_rva, size)
        return data[offset:offset + size]
    raise PeError(f"resource {type_id}/{name_id} has no language")


def main(argv):
    if len(argv) != 5:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    exe, type_id, name_id, out = argv[1], int(argv[2]), int(argv[3]), argv[4]
    with open(exe, "rb") as f:
        data = f.read()
    try:
        resource = read_resource(data, type_id, name_id)
    except PeError as e:
        print(f"pe_resource: {exe}: {e}", file=sys.stderr)
        return 1
    with open(out, "wb") as f:
        f.write(resource)
    print(f"pe_resource: {exe}: resource {type_id}/{name_id}, {len(resource)} bytes -> {out}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
