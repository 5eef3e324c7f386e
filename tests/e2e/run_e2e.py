#!/usr/bin/python3
"""End-to-end scenarios of NordaErrorDialog.exe: the real program under Wine on
a virtual display, in a prefix prepared as the CAD application leaves a
crash, driven from outside by the UI driver.

usage: run_e2e.py SCENARIO   (environment: NORDA_WINE_TEMPLATE, NORDA_BINARY_DIR,
                              NORDA_SOURCE_DIR; screenshots go to
                              NORDA_BINARY_DIR/e2e-screens)
"""
import contextlib
import email
import functools
import os
import shutil
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from prefix import (Peer, Prefix, rc_caption, rc_string, rc_text, read_ini, write, write_utf16,  # noqa: E402
                    zip_entries)

DIALOG = rc_caption("en_US.UTF-8")
IDC_BANNER_TITLE, IDC_SAVE_HINT, IDC_DESCRIPTION = 41518, 41520, 41521
IDC_CONTENTS_LINK, IDC_SEND, IDC_DONT_SEND = 41522, 41523, 41524
VK_ESCAPE = 27
DONT_SEND = "click DIALOG %d" % IDC_DONT_SEND
SEND = ["click DIALOG %d" % IDC_SEND, "answer NordaErrorDialog ok"]
ARCHIVE = "Crash_20261206.zip"
STALLED = "stalled.txt"  # the hanging server's record of what it got, made when it takes the connection

CRASH_LOG = (b"NORDA+ 12.3.4567 crash log\r\n"
             b"Time: 2026-12-06 10:41:07\r\n"
             b"Exception: 0xC0000005 ACCESS_VIOLATION at 0x0045A1F3 in NORDA.EXE\r\n"
             b"Last command: PLOT\r\n"
             b"Call stack:\r\n"
             + b"".join(b"  NORDA.EXE+0x%05X\r\n" % (0x5A1F3 + 0x97 * i) for i in range(12)))


class Crash:
    """The files the CAD application leaves: named crash files (None: left out), listed files
    (name, description, type, bytes or None: missing) and the report description naming them."""
    NAMED = {"LOGFile": "Crash_20261206.log", "DMPFile": "crash.dmp", "REGFile": "registry.reg",
             "OPEN": "drawing.dwg", "UNDOFile": "undo.und", "RECENTOPERATION": "recent.txt"}
    LISTED = [("system.txt", "System information", "Text Document", b"Windows 10, 16 GB\r\n")]

    def __init__(self, prefix, subject=None, files_to_add=LISTED, folder="C:\\Crash", **names):
        self.prefix, self.folder = prefix, folder
        self.named = {key: name for key, name in dict(self.NAMED, **names).items() if name}
        special = {"LOGFile": CRASH_LOG, "DMPFile": bytes(range(256)) * 300}
        self.contents = {key: special.get(key, (key + " of the crash\r\n").encode() * 500)
                         for key in self.named}
        self.listed = {name: data for name, _, _, data in files_to_add if data is not None}
        os.makedirs(prefix.unix(folder), exist_ok=True)
        for key in self.named:
            write(prefix.unix(self.path(key)), self.contents[key])
        for name, data in self.listed.items():
            write(prefix.unix(folder + "\\" + name), data)
        lines = ["[CrashReport Infor]"] + (["SUBJECT=" + subject] if subject else [])
        lines += ["%s=%s" % (key, self.path(key)) for key in self.named] + ["[FilesToAdd]"]
        lines += ["File%03d=%s\\%s,%s,%s" % (n + 1, folder, name, description, kind)
                  for n, (name, description, kind, _) in enumerate(files_to_add)]
        write_utf16(os.path.join(prefix.report_folder, "CrashReport.ini"), "\n".join(lines) + "\n")

    def path(self, key):
        return self.folder + "\\" + self.named[key]

    def exists(self, key):
        return key in self.named and os.path.exists(self.prefix.unix(self.path(key)))


def archive_path(prefix, name):
    return os.path.join(prefix.report_folder, "BugReport", name)


def windows_archive(prefix, name):
    return prefix.report_windows + "\\BugReport\\" + name


def record_book(prefix):
    return read_ini(os.path.join(prefix.report_folder, "SendRecord.ini"))


def said(out, start):
    """What the driver printed after `start` ("box: ": the texts of the message boxes)."""
    return [line[len(start):] for line in out if line.startswith(start)]


def expect(condition, message):
    if not condition:
        raise AssertionError(message)


def expect_equal(actual, wanted, what):
    if actual != wanted:
        raise AssertionError("%s:\n  got    %r\n  wanted %r" % (what, actual, wanted))


def run_dialog(prefix, steps, answers=()):
    """Answers the start-up questions, takes the steps ("DIALOG": the dialog's caption), waits for the end."""
    caption = rc_caption(prefix.lang)
    steps = [step.replace("DIALOG", '"%s"' % caption) for step in steps]
    return prefix.drive(["start C:\\NORDA\\NordaErrorDialog.exe"] + list(answers) + ["wait-window " + caption]
                        + steps + ["wait-exit"])


def expect_cleaned_up(prefix, crash):
    for key in ("LOGFile", "DMPFile", "REGFile", "UNDOFile", "RECENTOPERATION"):
        expect(not crash.exists(key), key + " should be removed at clean-up")
    expect(crash.exists("OPEN"), "the further file stays")
    expect(not os.path.exists(os.path.join(prefix.report_folder, "CrashReport.ini")),
           "the report description is removed")
    leftovers = [n for n in os.listdir(prefix.temp) if n.split("_")[0] in crash.named]
    expect_equal(leftovers, [], "copies left in the temporary folder")


def expect_report_archive(prefix, crash, name=ARCHIVE, extra=None, code_page=None):
    """The listed files that exist and the crash files, whole, named as `code_page` holds them."""
    held = (lambda n: n.encode(code_page, "replace").decode(code_page)) if code_page else (lambda n: n)
    wanted = {held(n): data for n, data in crash.listed.items()}
    wanted.update({held(key + "_" + crash.named[key]): crash.contents[key]
                   for key in ("LOGFile", "DMPFile", "REGFile", "OPEN") if key in crash.named})
    wanted.update(extra or {})
    entries = zip_entries(archive_path(prefix, name), code_page)
    expect_equal(sorted(entries), sorted(wanted), "entries of " + name)
    for entry, data in wanted.items():
        expect(entries[entry] == data, "entry %s differs from its file" % entry)
    return entries


def expect_record(prefix, number, name, sent, subject=None):
    """A record of the book (a new book is ANSI: "?" for the letters code page 1252 lacks)."""
    record = dict(record_book(prefix)["Record%d" % number])
    if subject is None:
        record.pop("Email Subject", None)
    wanted = {"File Name": windows_archive(prefix, name).encode("cp1252", "replace").decode("cp1252"),
              "Send or Not": sent}
    expect_equal(record, dict(wanted, **({"Email Subject": subject} if subject else {})), "Record%d" % number)


def scenario_recovery_questions(prefix):
    docs = "C:\\Drawings"
    os.makedirs(prefix.unix(docs), exist_ok=True)
    names = ["a1", "b1", "a2", "b2", "a3", "b3", "a4", "b4"]
    p = lambda n: docs + "\\" + n + ".dwg"  # noqa: E731
    for name in names:
        write(prefix.unix(p(name)), b"drawing")
    recovery = os.path.join(prefix.documents, "TempRecoverInfo.dat")
    lines = [p("a1") + "||" + p("b1") + "&&Y", p("a2") + "||" + p("b2") + "&&y", "",
             "  " + p("a3") + "||" + p("b3") + "&&N", p("a4") + "||" + p("b4") + "&&Y"]
    write_utf16(recovery, "\n".join(lines))
    answers = ["answer \"%s\" %s" % (rc_string("IDS_RECOVERY_CAPTION"), a) for a in ("no", "no", "no", "yes")]
    out = run_dialog(prefix, [DONT_SEND], answers)
    question = rc_string("IDS_RECOVERY_BEFORE") + "%s" + rc_string("IDS_RECOVERY_AFTER")
    expect_equal(said(out, "box: "), [question % p(n) for n in ("b1", "b2", "b3", "b4")], "the questions")
    present = {n: os.path.exists(prefix.unix(p(n))) for n in names}
    expect_equal(present, {"a1": False, "b1": True, "a2": False, "b2": True, "a3": True, "b3": False,
                           "a4": True, "b4": True}, "drawings left after the answers")
    expect(not os.path.exists(recovery), "the recovery list is deleted")


def ended_without_sending(prefix, step, description=None):
    """Don't Send, Escape and the close box: packed, recorded "NO", cleaned up."""
    crash = Crash(prefix, subject=description and "Crash 12")
    typed = ["type DIALOG %d %s" % (IDC_DESCRIPTION, description)] if description else []
    out = run_dialog(prefix, typed + [step])
    expect("exit 0" in out, "the program ends")
    user = description.replace("\\r\\n", "\r\n").encode("utf-16-le") + b"\0\0" if description else None
    expect_report_archive(prefix, crash, extra=user and {"Crash 12User.txt": user})
    expect_equal(record_book(prefix).sections(), ["Record1"], "records")
    expect_record(prefix, 1, ARCHIVE, "NO", "Crash 12" if description else "Crash_20261206")
    expect_equal([n for n in os.listdir(prefix.report_folder) if n.endswith("User.txt")], [],
                 "the user text file is removed after packing")
    expect_cleaned_up(prefix, crash)


scenario_dont_send = functools.partial(ended_without_sending, step=DONT_SEND)
scenario_dont_send_with_description = functools.partial(
    ended_without_sending, step=DONT_SEND,
    description="I moved a block\\r\\nand NORDA+ closed. \u00c4\u00f6\u00fc \u65e5\u672c")
scenario_escape = functools.partial(ended_without_sending,
                                    step="key DIALOG %d %d" % (IDC_DESCRIPTION, VK_ESCAPE))
scenario_close_box = functools.partial(ended_without_sending, step="close " + DIALOG)


def scenario_three_runs(prefix):
    names = ["CrashReport.zip", "CrashReport0.zip", "CrashReport1.zip"]
    for run, name in enumerate(names):
        # Without a crash log name the archive is CrashReport.zip every time.
        Crash(prefix, LOGFile=None)
        run_dialog(prefix, [DONT_SEND])
        expect(os.path.exists(archive_path(prefix, name)), name + " written by run %d" % (run + 1))
    expect_equal(record_book(prefix).sections(), ["Record1", "Record2", "Record3"], "records of three runs")
    for n, name in enumerate(names):
        expect_record(prefix, n + 1, name, "NO", "CrashReport")


def scenario_banner_and_about(prefix):
    crash = Crash(prefix)
    shutil.copy(os.path.join(prefix.build, "tests", "version_full.exe"),
                os.path.join(prefix.install, "NORDA.EXE"))
    viewer, about = (rc_caption("en_US.UTF-8", dialog) for dialog in ("IDD_REPORT_CONTENTS", "IDD_ABOUTBOX"))
    out = run_dialog(prefix, [
        "text DIALOG %d" % IDC_BANNER_TITLE, "hover DIALOG %d" % IDC_CONTENTS_LINK,
        "screenshot C:\\dialog-en.bmp", "mouse DIALOG %d" % IDC_CONTENTS_LINK,
        "wait-window " + viewer, "close " + viewer, "wait-gone " + viewer,
        "syscommand DIALOG 16", "wait-window " + about, "screenshot C:\\about-en.bmp",
        "close " + about, "wait-gone " + about, DONT_SEND])
    expect("text %d: %s" % (IDC_BANNER_TITLE, rc_string("IDS_BANNER") % "NORDA+ Pl\u00e4nt Designer") in out,
           "banner names the application from its version information:\n" + "\n".join(out))
    prefix.keep_screenshot("C:\\dialog-en.bmp", "dialog-en")
    prefix.keep_screenshot("C:\\about-en.bmp", "about-en")
    expect_cleaned_up(prefix, crash)


def dialog_in_language(prefix, locale, shot=True):
    """Without version information the banner names the executable."""
    crash = Crash(prefix)
    prefix.lang = locale
    out = run_dialog(prefix, ["text DIALOG %d" % IDC_SAVE_HINT, "text DIALOG %d" % IDC_BANNER_TITLE]
                     + ["screenshot C:\\dialog.bmp"] * shot + [DONT_SEND])
    expect("text %d: %s" % (IDC_SAVE_HINT, rc_text(locale, r"%s,\s*IDC_SAVE_HINT")) in out,
           locale + " hint text:\n" + "\n".join(out))
    expect("text %d: %s" % (IDC_BANNER_TITLE, rc_string("IDS_BANNER", locale) % "NORDA.EXE") in out,
           locale + " banner naming the executable:\n" + "\n".join(out))
    if shot:
        prefix.keep_screenshot("C:\\dialog.bmp", "dialog-" + locale[:2])
    expect_report_archive(prefix, crash)


scenario_banner_without_version = functools.partial(dialog_in_language, locale="en_US.UTF-8", shot=False)
scenario_german = functools.partial(dialog_in_language, locale="de_DE.UTF-8")
scenario_chinese = functools.partial(dialog_in_language, locale="zh_CN.UTF-8")


def settings_port():
    return os.environ["NORDA_SETTINGS_BASE_URL"].rsplit(":", 1)[1]


@contextlib.contextmanager
def mail_servers(prefix, settings=(), smtp=(), stalled=None):
    """The settings and mail servers with more options (None: not started) and a `stalled` (port,
    options) server that never answers, for the length of a `with`; yields the mail folder."""
    mail, www = os.path.join(prefix.scratch, "mail"), os.path.join(prefix.scratch, "www")
    os.makedirs(mail)
    peers = []
    if settings is not None:
        folder = os.path.join(www, "norda+", "vozavededavu", "CrMailInfo")
        os.makedirs(folder)
        write(os.path.join(folder, "CrSendInfo.txt"),
              b"127.0.0.1 report.sender s3cret crash.sender@peer.test\r\n")
        write(os.path.join(folder, "CrReciverInfo.txt"), b"reports@peer.test NORDA-Crash-Report Support\r\n")
        peers.append(Peer("http_server.py", ["--root", www, "--port", settings_port()] + list(settings),
                          prefix.scratch))
    if smtp is not None:
        peers.append(Peer("smtp_server.py", ["--mail-folder", mail, "--user", "report.sender", "--password",
                                             "s3cret", "--port", os.environ["NORDA_SMTP_PORT"]] + list(smtp),
                          prefix.scratch))
    if stalled is not None:
        peers.append(Peer("stalled_server.py", ["--stalled-file", os.path.join(prefix.scratch, STALLED),
                                                "--port", stalled[0]] + stalled[1], prefix.scratch))
    try:
        yield mail
    finally:
        for peer in peers:
            peer.stop()


def send_log(prefix):
    with open(os.path.join(prefix.temp, "CrSendErr.log"), "rb") as f:
        return f.read().decode("cp1252").split("\r\n")


def expect_sent(prefix, crash, out, mail, name=ARCHIVE):
    """Message 1593, the archive mailed whole, recorded "YES", cleaned up; returns the mail and its text."""
    expect(rc_string("IDS_SEND_SUCCEEDED", prefix.lang) in said(out, "box: "), "1593:\n" + "\n".join(out))
    with open(os.path.join(mail, "mail1.eml"), "rb") as f:
        raw = f.read()
    parts = email.message_from_bytes(raw).get_payload()
    with open(archive_path(prefix, name), "rb") as f:
        expect(parts[1].get_payload(decode=True) == f.read(), "the attachment is the archive")
    expect_equal(record_book(prefix)["Record0"]["Send or Not"], "YES", "final record")
    expect_cleaned_up(prefix, crash)
    return raw, parts[0].get_payload(decode=True)


def expect_not_sent(prefix, crash, out, tag):
    """Message 1592 naming the numbered archive, kept and recorded "NO"; `tag` in the log; cleaned up."""
    numbered = "Crash_202612060.zip"
    failed, box = rc_string("IDS_SEND_FAILED", prefix.lang).split("%s")[0], said(out, "box: ")
    expect(len(box) == 1 and box[0].startswith(failed) and windows_archive(prefix, numbered) in box[0],
           "message 1592:\n" + "\n".join(out))
    expect(os.path.exists(archive_path(prefix, numbered)), "the report stays on disk")
    expect_record(prefix, 2, numbered, "NO")
    log = send_log(prefix)
    expect(tag in log and log[-2] == "SendCrFailed!", "log has %s:\n%s" % (tag, "\n".join(log)))
    expect_cleaned_up(prefix, crash)


def scenario_send(prefix):
    crash = Crash(prefix, subject="Crash 12")
    with mail_servers(prefix) as mail:
        out = run_dialog(prefix, ["type DIALOG %d It crashed while I was printing." % IDC_DESCRIPTION] + SEND)
    raw, body = expect_sent(prefix, crash, out, mail)
    expect_report_archive(prefix, crash)
    expect(b"Subject:Crash 12\r\n" in raw, "subject")
    expect(b"The following is file`s solution status:" in body, "body")
    expect_equal(send_log(prefix)[-2:], ["SendCrSucced!", ""], "the log's last line")
    expect_record(prefix, 1, ARCHIVE, "NO")  # the packing's record


def scenario_send_fails(prefix):
    crash = Crash(prefix)
    out = run_dialog(prefix, ["type DIALOG %d It crashed." % IDC_DESCRIPTION] + SEND)
    expect_not_sent(prefix, crash, out, "ConnectSmtpFailed!")
    instructions = zip_entries(archive_path(prefix, "Crash_202612060.zip"))["User.txt"].decode("utf-16-le")
    expect(instructions.startswith("Please Send the Report to us"), "instructions packed")


def run_scenario(namespace, argv):
    scenarios = {name[len("scenario_"):]: f for name, f in namespace.items() if name.startswith("scenario_")}
    if len(argv) != 2 or argv[1] not in scenarios:
        print("usage: %s SCENARIO\nscenarios: %s" % (os.path.basename(argv[0]), " ".join(sorted(scenarios))))
        return 2
    build = os.environ["NORDA_BINARY_DIR"]
    prefix = Prefix(os.environ["NORDA_WINE_TEMPLATE"], build, os.path.join(build, "e2e-screens"))
    try:
        scenarios[argv[1]](prefix)
    except AssertionError as error:
        print("FAILED:", error)
        return 1
    finally:
        prefix.close()
    print("passed:", argv[1])
    return 0


if __name__ == "__main__":
    sys.exit(run_scenario(globals(), sys.argv))
