"""Each textN.txt of the folder must be the Base64 of dataN.bin (RFC 4648) in lines of 76, each full
line ended by CR LF, the last (short or padded) by nothing. Prints failures, then "checked N"."""

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
        if text != expected_text(data):
            print("%s: lines differ from the standard layout" % index)
    print("checked %d" % len(indexes))


if __name__ == "__main__":
    main()
