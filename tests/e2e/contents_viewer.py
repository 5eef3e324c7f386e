#!/usr/bin/python3
"""End-to-end scenarios of the report contents viewer: the real program under
Wine, the viewer opened from the "Click here" link and driven from outside.
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from prefix import rc_caption, zip_entries  # noqa: E402
from run_e2e import (ARCHIVE, DONT_SEND, IDC_CONTENTS_LINK, SEND, Crash, archive_path, expect,  # noqa: E402
                     expect_equal, expect_report_archive, expect_sent, mail_servers, run_dialog, run_scenario,
                     said)

VIEWER = rc_caption("en_US.UTF-8", "IDD_REPORT_CONTENTS")
IDC_FILE_LIST, IDC_PREVIEW_NAME, IDC_PREVIEW_DESCRIPTION, IDC_PREVIEW = 41527, 41528, 41529, 41530
IDOK = 1
VK_ESCAPE, VK_BACK, VK_DELETE, VK_SPACE, VK_A, VK_C, VK_NUMPAD5, VK_OEM_1 = 27, 8, 46, 32, 65, 67, 101, 186
UNTICKED, TICKED = 1, 2  # header images of the "Send" column

OPEN_VIEWER = ["mouse DIALOG %d" % IDC_CONTENTS_LINK, "wait-window " + VIEWER]
CLOSE_VIEWER = ["wait-gone " + VIEWER, DONT_SEND]
CRASH_ROWS = ["LOGFile_Crash_20261206.log", "DMPFile_crash.dmp", "REGFile_registry.reg", "OPEN_drawing.dwg"]


def viewer(command, *args):
    return " ".join([command, '"%s"' % VIEWER] + [str(a) for a in args])


def texts(out, control):
    return said(out, "text %d: " % control)


def headers(out):
    return [int(n) for n in said(out, "header-image 0: ")]


def rows(out):
    return [line.split(": ", 1)[1].split("|") for line in out if line.startswith("row ")]


def expect_same_text(actual, wanted, what):
    """Long previews: report where they part, not the whole text."""
    if actual == wanted:
        return
    at = next((i for i, (a, b) in enumerate(zip(actual, wanted)) if a != b), min(len(actual), len(wanted)))
    raise AssertionError("%s: %d characters, wanted %d; they differ at %d:\n  got    %r\n  wanted %r" % (
        what, len(actual), len(wanted), at, actual[max(0, at - 20):at + 40], wanted[max(0, at - 20):at + 40]))


def escaped(data):
    return data.decode("cp1252").replace("\r", "\\r").replace("\n", "\\n").replace("\t", "\\t")


def scenario_contents_choices(prefix):
    """Escape forgets an untick; Close keeps one; a click on a text cell ticks nothing."""
    Crash(prefix)
    out = run_dialog(prefix, OPEN_VIEWER + [
        viewer("rows", IDC_FILE_LIST), viewer("header-image", IDC_FILE_LIST, 0),
        viewer("cell", IDC_FILE_LIST, 2, 0, "click"), viewer("header-image", IDC_FILE_LIST, 0),
        viewer("key", IDC_FILE_LIST, VK_ESCAPE), "wait-gone " + VIEWER,
    ] + OPEN_VIEWER + [
        viewer("header-image", IDC_FILE_LIST, 0),
        viewer("cell", IDC_FILE_LIST, 3, 0, "click"), viewer("cell", IDC_FILE_LIST, 4, 1, "click"),
        viewer("header-image", IDC_FILE_LIST, 0), "screenshot C:\\viewer-list.bmp", viewer("click", IDOK),
    ] + CLOSE_VIEWER)
    expect_equal([row[0] for row in rows(out)], ["system.txt"] + CRASH_ROWS, "rows")
    expect_equal(rows(out)[0], ["system.txt", "System information", "Text Document", "1 KB "],
                 "the first row's columns")
    expect_equal(headers(out), [TICKED, UNTICKED, TICKED, UNTICKED], "the header check box")
    prefix.keep_screenshot("C:\\viewer-list.bmp", "viewer-list")
    entries = zip_entries(archive_path(prefix, ARCHIVE))
    expect_equal(sorted(entries), ["DMPFile_crash.dmp", "LOGFile_Crash_20261206.log", "OPEN_drawing.dwg",
                                   "system.txt"], "entries after unticking the registry export")


def scenario_contents_header_and_send(prefix):
    """The header box unticks and ticks all; the mail tells which file was left out."""
    crash = Crash(prefix, subject="Crash 12")
    # Each step, then the header's image: untick all, tick all, untick all,
    # tick one (not all), tick all, untick one.
    header, row = viewer("header-click", IDC_FILE_LIST, 0), viewer("cell", IDC_FILE_LIST, 2, 0, "click")
    image = viewer("header-image", IDC_FILE_LIST, 0)
    with mail_servers(prefix) as mail:
        out = run_dialog(prefix, OPEN_VIEWER + [header, image, "screenshot C:\\viewer-unticked.bmp"]
                         + [line for step in (header, header, row, header, row) for line in (step, image)]
                         + [viewer("click", IDOK), "wait-gone " + VIEWER] + SEND)
    prefix.keep_screenshot("C:\\viewer-unticked.bmp", "viewer-unticked")
    expect_equal(headers(out), [UNTICKED, TICKED, UNTICKED, UNTICKED, TICKED, UNTICKED], "the header box")
    body = expect_sent(prefix, crash, out, mail)[1].decode("cp1252")
    expect("NotSend_DMPFile_crash.dmp" in body and "Send_REGFile_registry.reg" in body,
           "the mail's file status:\n" + body)
    entries = zip_entries(archive_path(prefix, ARCHIVE))
    expect("DMPFile_crash.dmp" not in entries and "REGFile_registry.reg" in entries,
           "entries: %s" % sorted(entries))


LOG = b"".join(b"%06d NORDA+ 12.3 journal line of the failed session\r\n" % i for i in range(2000))
SIXTEEN = bytes([0x4D, 0x5A, 0x90, 0x00, 0x03, 0, 0, 0, 0x04, 0, 0, 0, 0xFF, 0xFF, 0, 0])
FOUR_HIGH = b"Layer \xc4nderung \xd6l \xdcbersicht \xdfe done\r\n"
FIVE_HIGH = FOUR_HIGH + b"\xe9"
PREVIEW_FILES = [
    ("ten.txt", "Ten bytes", "Text Document", b"0123456789"),
    ("missing.txt", "Never written", "Text Document", None),
    ("sixteen.bin", "Sixteen bytes", "Binary", SIXTEEN),
    ("four.txt", "Four high", "Text Document", FOUR_HIGH),
    ("five.txt", "Five high", "Text Document", FIVE_HIGH),
    ("journal.log", "Journal", "Log", LOG),
]


def dump(data):
    lines = []
    for offset in range(0, len(data), 16):
        chunk = data[offset:offset + 16].ljust(16, b"\0")
        groups = " ".join("%08x" % int.from_bytes(chunk[i:i + 4], "little") for i in range(0, 16, 4))
        chars = "".join(chr(b) if 32 <= b <= 126 else "." for b in chunk)
        lines.append("0x%08x: %s %s\\r\\n" % (offset, groups, chars))
    return "".join(lines) + "\\r\\n"


def scenario_contents_preview(prefix):
    """Rows skip a missing file; previews as text or dump; the preview cannot be typed into."""
    crash = Crash(prefix, files_to_add=PREVIEW_FILES)
    show = lambda row: [viewer("cell", IDC_FILE_LIST, row, 1, "double"),  # noqa: E731
                        viewer("text", IDC_PREVIEW_NAME), viewer("text", IDC_PREVIEW_DESCRIPTION),
                        viewer("text", IDC_PREVIEW)]
    keys = (VK_A, VK_BACK, VK_DELETE, VK_SPACE, VK_NUMPAD5, VK_OEM_1)
    out = run_dialog(prefix, OPEN_VIEWER + [viewer("rows", IDC_FILE_LIST)]
                     + show(0) + show(1) + ["screenshot C:\\viewer-dump.bmp"] + show(2) + show(3) + show(4)
                     + [viewer("type-key", IDC_PREVIEW, key) for key in keys]
                     + [viewer("text", IDC_PREVIEW), viewer("select", IDC_PREVIEW, 0, 13),
                        viewer("focus", IDC_PREVIEW), "ctrl-key %d" % VK_C, "clipboard",
                        "screenshot C:\\viewer-text.bmp", viewer("key", IDC_PREVIEW, VK_ESCAPE)] + CLOSE_VIEWER)
    shown = ["ten.txt", "sixteen.bin", "four.txt", "five.txt", "journal.log"]
    expect_equal([row[0] for row in rows(out)], shown + CRASH_ROWS, "rows without the missing file")
    expect_equal(texts(out, IDC_PREVIEW_NAME), shown, "name label")
    expect_equal(texts(out, IDC_PREVIEW_DESCRIPTION), ["Ten bytes", "Sixteen bytes", "Four high", "Five high",
                                                       "Journal"], "description label")
    previews = texts(out, IDC_PREVIEW)
    expect_same_text(previews[0], "0123456789", "ten bytes as text")
    expect_same_text(previews[1], dump(SIXTEEN), "sixteen bytes: one dump line and an empty line")
    expect_same_text(previews[2], escaped(FOUR_HIGH), "four bytes above 127: text")
    expect_same_text(previews[3], dump(FIVE_HIGH), "five bytes above 127: dump")
    expect_same_text(previews[4], escaped(LOG[:65536]), "the log's first 65536 bytes")
    expect_same_text(previews[5], previews[4], "typing into the preview changes nothing")
    expect("clipboard: 000000 NORDA+" in out, "Ctrl+C copies the selection:\n" + "\n".join(out[-8:]))
    prefix.keep_screenshot("C:\\viewer-dump.bmp", "viewer-dump")
    prefix.keep_screenshot("C:\\viewer-text.bmp", "viewer-text")
    expect_report_archive(prefix, crash)  # the listed files that exist, whole


def scenario_contents_nothing_to_show(prefix):
    """Files gone since the list was made: no rows, and the list says so. No files: no viewer."""
    Crash(prefix, files_to_add=[("gone.txt", "Gone", "Text Document", b"soon gone")])
    temp = prefix.windows_user_path("Temp") + "\\"
    out = run_dialog(prefix, ["delete C:\\Crash\\gone.txt"] + ["delete " + temp + n for n in CRASH_ROWS]
                     + OPEN_VIEWER + [viewer("rows", IDC_FILE_LIST), "screenshot C:\\viewer-empty.bmp",
                                      viewer("click", IDOK)] + CLOSE_VIEWER)
    expect("rows 0" in out, "no rows:\n" + "\n".join(out))
    prefix.keep_screenshot("C:\\viewer-empty.bmp", "viewer-empty")

    # The first run's clean-up removed the report description: this run lists no file.
    expect(not os.path.exists(os.path.join(prefix.report_folder, "CrashReport.ini")), "no report description")
    run_dialog(prefix, ["mouse DIALOG %d" % IDC_CONTENTS_LINK, "no-window 2000 " + VIEWER, DONT_SEND])


if __name__ == "__main__":
    sys.exit(run_scenario(globals(), sys.argv))
