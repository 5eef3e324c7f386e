"""Checks Base64 texts against Python's base64 module. For every pair
dataN.bin / textN.txt in the folder given, the text must be the standard
Base64 of the data (RFC 4648) in lines of 76 characters, each full line ended
by CR LF, and the last line, shorter or ending in padding, by nothing. Prints
one line per failure and then "checked N"."""

import base64
import os
import sys


def expected_text(data):
    plain = base64.b64encode(data)
    lines = [plain[i:i + 76] for i in range(0, len(plain), 76)]
    return b"".join(line + b"\r\n" if len(line) == 76 and not line.endswith(b"=") else line for line in lines)


def main():
    folder = sys.argv[1]
    names = sorted(os.listdir(folder))
    indexes = [name[4:-4] for name in names if name.startswith("data") and name.endswith(".bin")]
    for index in indexes:
        with open(os.path.join(folder, "data%s.bin" % index), "rb") as f:
            data = f.read()
        with open(os.path.join(folder, "text%s.txt" % index), "rb") as f:
            text = f.read()
        if base64.b64decode(text.replace(b"\r\n", b""), validate=True) != data:
            print("%s: does not decode to its data" % index)
        elif text != expected_text(data):
            print("%s: lines differ from the standard layout" % index)
    print("checked %d" % len(indexes))


if __name__ == "__main__":
    main()
