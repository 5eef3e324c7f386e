#!/usr/bin/python3
"""Reads a ZIP archive with Python's zipfile and prints what the tests check,
one tab-separated key=value record per line: "archive" (the end record and
the testzip verdict), then one "entry" per member (every field of its central
and local headers, its data descriptor, and the CRC-32 and size of the data
that zipfile reads). Usage: zip_inspect.py ARCHIVE
"""
import struct
import sys
import zipfile
import zlib


def end_record(data):
    at = data.rfind(b"PK\x05\x06")
    if at < 0:
        raise ValueError("no end record")
    (_, _, _, _, total, size, offset, _) = struct.unpack("<IHHHHIIH", data[at:at + 22])
    return dict(entries=total, dir_size=size, dir_offset=offset, end_at=at)


def local_header(f, info):
    f.seek(info.header_offset)
    fixed = f.read(30)
    (_, needed, flags, method, _, _, crc, csize, usize, nlen, elen) = struct.unpack("<IHHHHHIIIHH", fixed)
    name = f.read(nlen)
    extra = f.read(elen)
    fields = dict(local_needed=needed, local_flags=flags, local_method=method,
                  local_crc=hex(crc), local_csize=csize, local_usize=usize,
                  local_name=name.decode("utf-8", "replace"), local_extra=extra.hex())
    data_end = info.header_offset + 30 + nlen + elen + info.compress_size
    f.seek(data_end)
    after = f.read(16)
    if len(after) == 16 and after[:4] == b"PK\x07\x08":
        (_, dcrc, dcsize, dusize) = struct.unpack("<IIII", after)
        fields.update(descriptor="yes", desc_crc=hex(dcrc), desc_csize=dcsize, desc_usize=dusize)
    else:
        fields.update(descriptor="no")
    return fields


def line(kind, fields):
    return kind + "".join("\t%s=%s" % (k, v) for k, v in fields.items())


def main():
    path = sys.argv[1]
    out = []
    with open(path, "rb") as f:
        # The end record lies in the last bytes: the archive may sit behind a long prefix.
        f.seek(0, 2)
        length = f.tell()
        f.seek(max(0, length - 65557))
        tail_start = f.tell()
        end = end_record(f.read())
        end["end_at"] += tail_start
    with zipfile.ZipFile(path) as zf, open(path, "rb") as raw:
        bad = zf.testzip()
        out.append(line("archive", dict(end, testzip="ok" if bad is None else bad, length=length)))
        for info in zf.infolist():
            content = zf.read(info)
            fields = dict(name=info.filename, method=info.compress_type, flags=info.flag_bits,
                          made_by=hex(info.create_system << 8 | info.create_version),
                          needed=info.extract_version, crc=hex(info.CRC), csize=info.compress_size,
                          usize=info.file_size, external=hex(info.external_attr),
                          internal=info.internal_attr, header_offset=info.header_offset,
                          date_time="%04d-%02d-%02d %02d:%02d:%02d" % info.date_time,
                          central_extra=info.extra.hex(), comment=info.comment.hex(),
                          data_crc=hex(zlib.crc32(content)), data_size=len(content))
            fields.update(local_header(raw, info))
            out.append(line("entry", fields))
    sys.stdout.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
