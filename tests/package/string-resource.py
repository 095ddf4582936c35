#!/usr/bin/python3
"""Prints the string with the given id from a program's string table, read
as Windows reads one: block id // 16 + 1 holds sixteen strings, each a
16-bit length and that many UTF-16 code units."""
import struct
import sys

import pefile


def main():
    path, wanted = sys.argv[1], int(sys.argv[2])
    pe = pefile.PE(path)
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if kind.id != pefile.RESOURCE_TYPE["RT_STRING"]:
            continue
        for block in kind.directory.entries:
            if block.id != wanted // 16 + 1:
                continue
            for language in block.directory.entries:
                data = pe.get_data(language.data.struct.OffsetToData, language.data.struct.Size)
                at = 0
                for index in range(16):
                    (length,) = struct.unpack_from("<H", data, at)
                    at += 2
                    if index == wanted % 16:
                        print(data[at:at + 2 * length].decode("utf-16-le"))
                        return 0
                    at += 2 * length
    return 1


if __name__ == "__main__":
    sys.exit(main())
