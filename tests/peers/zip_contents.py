#!/usr/bin/python3
"""Reads a ZIP archive with Python's zipfile.

zip_contents.py ARCHIVE [NAME=PATH ...]: per entry its name and "same", "differs" (from the file that
  NAME=PATH names) or "unchecked"; exits 1 on a bad CRC or an unreadable archive.
zip_contents.py --fields ARCHIVE: tab-separated key=value lines, "archive" (end record, testzip) and
  one "entry" per member (central and local header fields, descriptor, CRC-32 and size of its data).
"""
import struct
import sys
import zipfile
import zlib


def end_record(path):
    # The end record lies in the last bytes: the archive may sit behind a long prefix.
    with open(path, "rb") as f:
        length = f.seek(0, 2)
        tail_start = f.seek(max(0, length - 65557))
        data = f.read()
    at = data.rfind(b"PK\x05\x06")
    if at < 0:
        raise ValueError("no end record")
    (_, _, _, _, total, size, offset, _) = struct.unpack("<IHHHHIIH", data[at:at + 22])
    return dict(entries=total, dir_size=size, dir_offset=offset, end_at=tail_start + at, length=length)


def local_header(f, info):
    f.seek(info.header_offset)
    fixed = struct.unpack("<IHHHHHIIIHH", f.read(30))
    (_, needed, flags, method, _, _, crc, csize, usize, nlen, elen) = fixed
    name = f.read(nlen)
    fields = dict(local_needed=needed, local_flags=flags, local_method=method,
                  local_crc=hex(crc), local_csize=csize, local_usize=usize,
                  local_name=name.decode("utf-8", "replace"), local_extra=f.read(elen).hex())
    f.seek(info.header_offset + 30 + nlen + elen + info.compress_size)
    after = f.read(16)
    if len(after) == 16 and after[:4] == b"PK\x07\x08":
        fields.update(descriptor="yes")
    else:
        fields.update(descriptor="no")
    return fields


def line(kind, fields):
    return kind + "".join("\t%s=%s" % (k, v) for k, v in fields.items())


def fields(path):
    end = end_record(path)
    with zipfile.ZipFile(path) as zf, open(path, "rb") as raw:
        bad = zf.testzip()
        out = [line("archive", dict(end, testzip="ok" if bad is None else bad))]
        for info in zf.infolist():
            content = zf.read(info)
            entry = dict(name=info.filename, method=info.compress_type, flags=info.flag_bits,
                         made_by=hex(info.create_system << 8 | info.create_version),
                         needed=info.extract_version, crc=hex(info.CRC), csize=info.compress_size,
                         usize=info.file_size, external=hex(info.external_attr),
                         internal=info.internal_attr, header_offset=info.header_offset,
                         date_time="%04d-%02d-%02d %02d:%02d:%02d" % info.date_time,
                         central_extra=info.extra.hex(), comment=info.comment.hex(),
                         data_crc=hex(zlib.crc32(content)), data_size=len(content))
            entry.update(local_header(raw, info))
            out.append(line("entry", entry))
    sys.stdout.write("\n".join(out) + "\n")
    return 0


def compare(path, pairs):
    expected = dict(arg.split("=", 1) for arg in pairs)
    try:
        with zipfile.ZipFile(path) as z:
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
    sys.exit(fields(sys.argv[2]) if sys.argv[1] == "--fields" else compare(sys.argv[1], sys.argv[2:]))
