"""Takes a received mail apart with Python's email package and lists what the
parser saw:

  header NAME: VALUE           each top-level header, in order, as received
  boundary B                   the multipart boundary the parser found
  defects N                    parse defects over the whole message
  part I TYPE CHARSET FILENAME one line per part (- where a value is absent)
  partheader NAME: VALUE       that part's headers, in order
  payload I SIZE               the part's decoded body, written to partI.bin

Usage: mail_parts.py MESSAGE OUTPUT_FOLDER (the listing goes to stdout)."""

import email
import os
import sys


def main():
    message_path, folder = sys.argv[1], sys.argv[2]
    with open(message_path, "rb") as f:
        message = email.message_from_binary_file(f)
    out = []
    # raw_items: the values as received, not re-decoded by the parser's policy.
    for name, value in message.raw_items():
        out.append("header %s: %s" % (name, value))
    out.append("boundary %s" % message.get_boundary())
    defects = len(message.defects)
    parts = message.get_payload() if message.is_multipart() else []
    for index, part in enumerate(parts):
        defects += len(part.defects)
        out.append("part %d %s %s %s" % (index, part.get_content_type(),
                                         part.get_content_charset() or "-",
                                         part.get_filename() or "-"))
        for name, value in part.raw_items():
            out.append("partheader %s: %s" % (name, value))
        payload = part.get_payload(decode=True) or b""
        with open(os.path.join(folder, "part%d.bin" % index), "wb") as f:
            f.write(payload)
        out.append("payload %d %d" % (index, len(payload)))
    out.insert(len(message.keys()) + 1, "defects %d" % defects)
    # Raw 8-bit header bytes come back as they were received.
    sys.stdout.buffer.write("".join(line + "\n" for line in out).encode("utf-8", "surrogateescape"))


if __name__ == "__main__":
    main()
