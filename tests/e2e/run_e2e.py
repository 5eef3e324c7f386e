#!/usr/bin/python3
"""End-to-end scenarios of NordaErrorDialog.exe: the real program under Wine on
a virtual display, in a prefix prepared as the CAD application leaves a
crash, driven from outside by the UI driver.

usage: run_e2e.py SCENARIO   (environment: NORDA_WINE_TEMPLATE, NORDA_BINARY_DIR,
                              NORDA_SOURCE_DIR; screenshots go to
                              NORDA_BINARY_DIR/e2e-screens)
"""
import contextlib
import os
import shutil
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from prefix import Peer, Prefix, rc_caption, rc_text, read_ini, write_utf16_ini, zip_entries  # noqa: E402

DIALOG = "NORDA Error Report"
WARNING = "NORDA+ WARNING!"
IDC_BANNER_TITLE, IDC_SAVE_HINT, IDC_DESCRIPTION = 41518, 41520, 41521
IDC_CONTENTS_LINK, IDC_SEND, IDC_DONT_SEND = 41522, 41523, 41524
VK_ESCAPE = 27
BANNER = " has encountered a problem and needs to close. We are sorry for the inconvenience."
RECOVERY_BEFORE = ("NORDA+ can not continue, but all you have done except the last operation, "
                   "can be saved to ")
RECOVERY_AFTER = (". You can open or repair the document. Do you really need NORDA+ to try to "
                  "save it?")


CRASH_LOG = (b"NORDA+ 12.3.4567 crash log\r\n"
             b"Time: 2026-12-06 10:41:07\r\n"
             b"Exception: 0xC0000005 ACCESS_VIOLATION at 0x0045A1F3 in NORDA.EXE\r\n"
             b"Last command: PLOT\r\n"
             b"Call stack:\r\n"
             + b"".join(b"  NORDA.EXE+0x%05X\r\n" % (0x5A1F3 + 0x97 * i) for i in range(12)))


class Crash:
    """The files the CAD application leaves: named crash files, a further file,
    listed files, and the report description naming them."""

    def __init__(self, prefix, subject=None, log_name="Crash_20261206.log", listed=True, files_to_add=None,
                 folder="C:\\Crash", names=None):
        self.prefix = prefix
        self.folder = folder
        os.makedirs(prefix.unix(self.folder), exist_ok=True)
        self.named = {
            "LOGFile": log_name, "DMPFile": "crash.dmp", "REGFile": "registry.reg",
            "OPEN": "drawing.dwg", "UNDOFile": "undo.und", "RECENTOPERATION": "recent.txt",
        }
        self.named.update(names or {})
        if log_name is None:
            del self.named["LOGFile"]
        self.contents = {}
        for key, name in self.named.items():
            data = (key + " of the crash\r\n").encode() * 500
            if key == "LOGFile":
                data = CRASH_LOG
            if key == "DMPFile":
                data = bytes(range(256)) * 300
            self.contents[key] = data
            with open(prefix.unix(self.path(key)), "wb") as f:
                f.write(data)
        lines = ["[CrashReport Infor]"]
        if subject:
            lines.append("SUBJECT=" + subject)
        lines += ["%s=%s" % (key, self.path(key)) for key in self.named]
        lines.append("[FilesToAdd]")
        if files_to_add is not None:
            # (name, description, type, bytes or None for a file that is missing)
            for n, (name, description, kind, data) in enumerate(files_to_add):
                if data is not None:
                    with open(prefix.unix(self.folder + "\\" + name), "wb") as f:
                        f.write(data)
                lines.append("File%03d=%s\\%s,%s,%s" % (n + 1, self.folder, name, description, kind))
        elif listed:
            with open(prefix.unix(self.folder + "\\system.txt"), "wb") as f:
                f.write(b"Windows 10, 16 GB\r\n")
            lines.append("File001=" + self.folder + "\\system.txt,System information,Text Document")
        write_utf16_ini(os.path.join(prefix.report_folder, "CrashReport.ini"), "\n".join(lines) + "\n")

    def path(self, key):
        return self.folder + "\\" + self.named[key]

    def exists(self, key):
        return key in self.named and os.path.exists(self.prefix.unix(self.path(key)))


def archive_path(prefix, name):
    return os.path.join(prefix.report_folder, "BugReport", name)


def expect(condition, message):
    if not condition:
        raise AssertionError(message)


def expect_equal(actual, wanted, what):
    if actual != wanted:
        raise AssertionError("%s:\n  got    %r\n  wanted %r" % (what, actual, wanted))


def run_dialog(prefix, steps, caption=DIALOG, answers=(), lang="en_US.UTF-8"):
    """Starts the program, answers its questions, takes the steps in its dialog
    ("DIALOG" in a step stands for the quoted caption) and waits for its end."""
    steps = [step.replace("DIALOG", '"%s"' % caption) for step in steps]
    return prefix.drive(["start C:\\NORDA\\NordaErrorDialog.exe"] + list(answers) + ["wait-window " + caption]
                        + steps + ["wait-exit"], lang=lang)


def expect_cleaned_up(prefix, crash):
    for key in ("LOGFile", "DMPFile", "REGFile", "UNDOFile", "RECENTOPERATION"):
        expect(not crash.exists(key), key + " should be removed at clean-up")
    expect(crash.exists("OPEN"), "the further file stays")
    expect(not os.path.exists(os.path.join(prefix.report_folder, "CrashReport.ini")),
           "the report description is removed")
    leftovers = [n for n in os.listdir(prefix.temp) if n.split("_")[0] in crash.named]
    expect_equal(leftovers, [], "copies left in the temporary folder")


def expect_report_archive(prefix, crash, name, extra=None):
    entries = zip_entries(archive_path(prefix, name))
    wanted = {
        "system.txt": b"Windows 10, 16 GB\r\n",
        "LOGFile_" + crash.named["LOGFile"]: crash.contents["LOGFile"],
        "DMPFile_crash.dmp": crash.contents["DMPFile"],
        "REGFile_registry.reg": crash.contents["REGFile"],
        "OPEN_drawing.dwg": crash.contents["OPEN"],
    }
    wanted.update(extra or {})
    expect_equal(sorted(entries), sorted(wanted), "entries of " + name)
    for entry, data in wanted.items():
        expect(entries[entry] == data, "entry %s differs from its file" % entry)
    return entries


def scenario_recovery_questions(prefix):
    docs = "C:\\Drawings"
    os.makedirs(prefix.unix(docs), exist_ok=True)
    names = ["a1", "b1", "a2", "b2", "a3", "b3", "a4", "b4"]
    for name in names:
        with open(prefix.unix(docs + "\\" + name + ".dwg"), "wb") as f:
            f.write(b"drawing")
    p = lambda n: docs + "\\" + n + ".dwg"  # noqa: E731
    lines = [p("a1") + "||" + p("b1") + "&&Y", p("a2") + "||" + p("b2") + "&&y", "",
             "  " + p("a3") + "||" + p("b3") + "&&N", p("a4") + "||" + p("b4") + "&&Y"]
    recovery = os.path.join(prefix.documents, "TempRecoverInfo.dat")
    with open(recovery, "wb") as f:
        f.write(b"\xff\xfe" + "\r\n".join(lines).encode("utf-16-le"))
    out = run_dialog(prefix, ["click DIALOG %d" % IDC_DONT_SEND],
                     answers=["answer \"%s\" %s" % (WARNING, a) for a in ("no", "no", "no", "yes")])
    boxes = [line[len("box: "):] for line in out if line.startswith("box: ")]
    expect_equal(boxes, [RECOVERY_BEFORE + p(n) + RECOVERY_AFTER for n in ("b1", "b2", "b3", "b4")],
                 "recovery questions")
    present = {n: os.path.exists(prefix.unix(p(n))) for n in names}
    expect_equal(present, {"a1": False, "b1": True, "a2": False, "b2": True, "a3": True, "b3": False,
                           "a4": True, "b4": True}, "drawings left after the answers")
    expect(not os.path.exists(recovery), "the recovery list is deleted")


def ended_without_sending(prefix, step, description=None):
    """Don't Send, Escape and the close box: the report is packed, recorded as
    not sent, and the crash material cleaned up."""
    crash = Crash(prefix, subject=description and "Crash 12")
    typed = ["type DIALOG %d %s" % (IDC_DESCRIPTION, description)] if description else []
    out = run_dialog(prefix, typed + [step])
    expect("exit 0" in out, "the program ends")
    extra = {}
    if description:
        extra["Crash 12User.txt"] = description.replace("\\r\\n", "\r\n").encode("utf-16-le") + b"\0\0"
    expect_report_archive(prefix, crash, "Crash_20261206.zip", extra)
    book = read_ini(os.path.join(prefix.report_folder, "SendRecord.ini"))
    expect_equal(book.sections(), ["Record1"], "records")
    expect_equal(dict(book["Record1"]), {
        "File Name": prefix.windows_user_path("AppData", "Roaming", "CrashReport", "BugReport",
                                              "Crash_20261206.zip"),
        "Send or Not": "NO", "Email Subject": "Crash 12" if description else "Crash_20261206"}, "Record1")
    expect_equal([n for n in os.listdir(prefix.report_folder) if n.endswith("User.txt")], [],
                 "the user text file is removed after packing")
    expect_cleaned_up(prefix, crash)


def scenario_dont_send(prefix):
    ended_without_sending(prefix, "click DIALOG %d" % IDC_DONT_SEND)


def scenario_dont_send_with_description(prefix):
    ended_without_sending(prefix, "click DIALOG %d" % IDC_DONT_SEND,
                          "I moved a block\\r\\nand NORDA+ closed. \u00c4\u00f6\u00fc \u65e5\u672c")


def scenario_escape(prefix):
    ended_without_sending(prefix, "key DIALOG %d %d" % (IDC_DESCRIPTION, VK_ESCAPE))


def scenario_close_box(prefix):
    ended_without_sending(prefix, "close " + DIALOG)


def scenario_three_runs(prefix):
    names = ["CrashReport.zip", "CrashReport0.zip", "CrashReport1.zip"]
    for run, name in enumerate(names):
        # Without a crash log name the archive is CrashReport.zip every time.
        Crash(prefix, log_name=None)
        run_dialog(prefix, ["click DIALOG %d" % IDC_DONT_SEND])
        expect(os.path.exists(archive_path(prefix, name)), name + " written by run %d" % (run + 1))
    book = read_ini(os.path.join(prefix.report_folder, "SendRecord.ini"))
    expect_equal(book.sections(), ["Record1", "Record2", "Record3"], "records of three runs")
    for n, name in enumerate(names):
        expect(book["Record%d" % (n + 1)]["File Name"].endswith("\\BugReport\\" + name),
               "Record%d names %s" % (n + 1, name))
        expect_equal(book["Record%d" % (n + 1)]["Email Subject"], "CrashReport", "subject")


def scenario_banner_and_about(prefix):
    crash = Crash(prefix)
    shutil.copy(os.path.join(prefix.build, "tests", "version_full.exe"),
                os.path.join(prefix.install, "NORDA.EXE"))
    viewer, about = "Error Report Contents", "About NordaErrorDialog"
    out = run_dialog(prefix, [
        "text DIALOG %d" % IDC_BANNER_TITLE, "hover DIALOG %d" % IDC_CONTENTS_LINK,
        "screenshot C:\\dialog-en.bmp", "mouse DIALOG %d" % IDC_CONTENTS_LINK,
        "wait-window " + viewer, "close " + viewer, "wait-gone " + viewer,
        "syscommand DIALOG 16", "wait-window " + about, "screenshot C:\\about-en.bmp",
        "close " + about, "wait-gone " + about, "click DIALOG %d" % IDC_DONT_SEND])
    expect("text %d: NORDA+ Pl\u00e4nt Designer%s" % (IDC_BANNER_TITLE, BANNER) in out,
           "banner names the application from its version information:\n" + "\n".join(out))
    prefix.keep_screenshot("C:\\dialog-en.bmp", "dialog-en")
    prefix.keep_screenshot("C:\\about-en.bmp", "about-en")
    expect_cleaned_up(prefix, crash)


def scenario_banner_without_version(prefix):
    Crash(prefix)
    out = run_dialog(prefix, ["text DIALOG %d" % IDC_BANNER_TITLE, "click DIALOG %d" % IDC_DONT_SEND])
    expect("text %d: NORDA.EXE%s" % (IDC_BANNER_TITLE, BANNER) in out,
           "banner falls back to the executable's name:\n" + "\n".join(out))


def dialog_in_language(prefix, locale):
    crash = Crash(prefix)
    caption, hint = rc_caption(locale), rc_text(locale, r"%s,\s*IDC_SAVE_HINT")
    out = run_dialog(prefix, ["text DIALOG %d" % IDC_SAVE_HINT, "text DIALOG %d" % IDC_BANNER_TITLE,
                              "screenshot C:\\dialog.bmp", "click DIALOG %d" % IDC_DONT_SEND],
                     caption, lang=locale)
    expect(caption != DIALOG, "the caption differs from the English one")
    expect("text %d: %s" % (IDC_SAVE_HINT, hint) in out, locale + " hint text:\n" + "\n".join(out))
    expect(not any(BANNER in line for line in out), "the banner is translated too")
    prefix.keep_screenshot("C:\\dialog.bmp", "dialog-" + locale[:2])
    expect_report_archive(prefix, crash, "Crash_20261206.zip")


def scenario_german(prefix):
    dialog_in_language(prefix, "de_DE.UTF-8")


def scenario_chinese(prefix):
    dialog_in_language(prefix, "zh_CN.UTF-8")


def settings_server(prefix, options=()):
    """The settings files on the program's loopback settings port, naming the
    mail server on loopback (options: more arguments of the server)."""
    www = os.path.join(prefix.scratch, "www")
    settings = os.path.join(www, "norda+", "vozavededavu", "CrMailInfo")
    os.makedirs(settings)
    with open(os.path.join(settings, "CrSendInfo.txt"), "w") as f:
        f.write("127.0.0.1 report.sender s3cret crash.sender@peer.test\r\n")
    with open(os.path.join(settings, "CrReciverInfo.txt"), "w") as f:
        f.write("reports@peer.test NORDA-Crash-Report Support\r\n")
    http_port = os.environ["NORDA_SETTINGS_BASE_URL"].rsplit(":", 1)[1]
    return Peer("http_server.py", ["--root", www, "--port", http_port] + list(options), prefix.scratch)


def start_mail_servers(prefix):
    """The settings server and the mail server on the program's loopback ports."""
    mail = os.path.join(prefix.scratch, "mail")
    os.makedirs(mail)
    peers = [settings_server(prefix),
             Peer("smtp_server.py", ["--mail-folder", mail, "--user", "report.sender", "--password",
                                     "s3cret", "--port", os.environ["NORDA_SMTP_PORT"]], prefix.scratch)]
    return peers, mail


@contextlib.contextmanager
def mail_servers(prefix):
    """Both servers for the length of a `with`; yields the folder of the mails that arrive."""
    peers, mail = start_mail_servers(prefix)
    try:
        yield mail
    finally:
        for peer in peers:
            peer.stop()


def sent_mail(mail, archive):
    """The mail that arrived, its attachment the archive (a Unix path): its raw
    bytes and its text part."""
    import email
    with open(os.path.join(mail, "mail1.eml"), "rb") as f:
        raw = f.read()
    parts = email.message_from_bytes(raw).get_payload()
    with open(archive, "rb") as f:
        expect(parts[1].get_payload(decode=True) == f.read(), "the attachment is the archive")
    return raw, parts[0].get_payload(decode=True)


def send_log(prefix):
    with open(os.path.join(prefix.temp, "CrSendErr.log"), "rb") as f:
        return f.read().decode("cp1252").split("\r\n")


def scenario_send(prefix):
    crash = Crash(prefix, subject="Crash 12")
    with mail_servers(prefix) as mail:
        out = run_dialog(prefix, ["type DIALOG %d It crashed while I was printing." % IDC_DESCRIPTION,
                                  "click DIALOG %d" % IDC_SEND, "answer NordaErrorDialog ok"])
    expect("box: Error Report successfully sent. \\r\\nThank you." in out, "message 1593:\n" + "\n".join(out))
    expect_report_archive(prefix, crash, "Crash_20261206.zip")
    raw, body = sent_mail(mail, archive_path(prefix, "Crash_20261206.zip"))
    expect(b"Subject:Crash 12\r\n" in raw, "subject")
    expect(b"The following is file`s solution status:" in body, "body")
    expect_equal(send_log(prefix)[-2:], ["SendCrSucced!", ""], "the log's last line")
    book = read_ini(os.path.join(prefix.report_folder, "SendRecord.ini"))
    expect_equal(book["Record0"]["Send or Not"], "YES", "final record")
    expect_equal(book["Record1"]["Send or Not"], "NO", "the packing's record")
    expect_cleaned_up(prefix, crash)


def scenario_send_fails(prefix):
    crash = Crash(prefix)
    out = run_dialog(prefix, ["type DIALOG %d It crashed." % IDC_DESCRIPTION, "click DIALOG %d" % IDC_SEND,
                              "answer NordaErrorDialog ok"])
    numbered = prefix.windows_user_path("AppData", "Roaming", "CrashReport", "BugReport",
                                        "Crash_202612060.zip")
    boxes = [line for line in out if line.startswith("box: ")]
    expect_equal(len(boxes), 1, "one message")
    expect(numbered in boxes[0] and "was not sent" in boxes[0], "message 1592 names the new archive: " + boxes[0])
    entries = zip_entries(archive_path(prefix, "Crash_202612060.zip"))
    instructions = entries["User.txt"].decode("utf-16-le")
    expect(instructions.startswith("Please Send the Report to us"), "instructions packed")
    log = send_log(prefix)
    expect("ConnectSmtpFailed!" in log and log[-2] == "SendCrFailed!", "log:\n" + "\n".join(log))
    book = read_ini(os.path.join(prefix.report_folder, "SendRecord.ini"))
    expect_equal(book["Record2"]["File Name"], numbered, "the unsent report's record")
    expect_equal(book["Record2"]["Send or Not"], "NO", "the unsent report's record")
    expect_cleaned_up(prefix, crash)


def scenarios_of(namespace):
    return {name[len("scenario_"):]: f for name, f in namespace.items() if name.startswith("scenario_")}


def run_scenario(scenarios, argv):
    """Runs the scenario named on the command line in a fresh prefix."""
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
    sys.exit(run_scenario(scenarios_of(globals()), sys.argv))
