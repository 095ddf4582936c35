#!/usr/bin/python3
"""Prints the string with the given id from a program's string table."""
import sys

import pefile


def main():
    path, wanted = sys.argv[1], int(sys.argv[2])
    pe = pefile.PE(path)
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if kind.id != pefile.RESOURCE_TYPE["RT_STRING"]:
            continue
        for block in kind.directory.entries:
            for language in block.directory.entries:
                strings = getattr(language.data, "strings", {}) or {}
                if wanted in strings:
                    text = strings[wanted]
                    print(text.decode("utf-16-le") if isinstance(text, bytes) else text)
                    return 0
    return 1


if __name__ == "__main__":
    sys.exit(main())
