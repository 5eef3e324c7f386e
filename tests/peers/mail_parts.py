"""mail_parts.py MESSAGE FOLDER: lists what Python's email package saw in a mail: "boundary B",
"defects N", per part "part I TYPE CHARSET FILENAME" (- if absent) and "payload I SIZE", the
decoded body going to FOLDER/partI.bin."""

import email
import os
import sys


def main():
    message_path, folder = sys.argv[1], sys.argv[2]
    with open(message_path, "rb") as f:
        message = email.message_from_binary_file(f)
    parts = message.get_payload() if message.is_multipart() else []
    out = ["boundary %s" % message.get_boundary(),
           "defects %d" % sum(len(m.defects) for m in [message] + parts)]
    for index, part in enumerate(parts):
        out.append("part %d %s %s %s" % (index, part.get_content_type(), part.get_content_charset() or "-",
                                         part.get_filename() or "-"))
        payload = part.get_payload(decode=True) or b""
        with open(os.path.join(folder, "part%d.bin" % index), "wb") as f:
            f.write(payload)
        out.append("payload %d %d" % (index, len(payload)))
    sys.stdout.write("".join(line + "\n" for line in out))


if __name__ == "__main__":
    main()
