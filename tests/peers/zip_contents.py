#!/usr/bin/python3
"""Reads a ZIP archive with Python's zipfile and compares it with files on disk.

usage: zip_contents.py ARCHIVE [NAME=PATH ...]

Prints one line per entry, in archive order: its name, and "same" when a
NAME=PATH pair names it and the entry's data equals that file, "differs"
otherwise, "unchecked" when no pair names it. Exits 1 when testzip finds a
bad CRC or the archive cannot be read."""
import sys
import zipfile


def main():
    expected = dict(arg.split("=", 1) for arg in sys.argv[2:])
    try:
        with zipfile.ZipFile(sys.argv[1]) as z:
            bad = z.testzip()
            if bad is not None:
                print("bad CRC:", bad)
                return 1
            for info in z.infolist():
                state = "unchecked"
                if info.filename in expected:
                    with open(expected[info.filename], "rb") as f:
                        state = "same" if f.read() == z.read(info) else "differs"
                print(info.filename, state)
    except (OSError, zipfile.BadZipFile) as error:
        print("unreadable:", error)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
