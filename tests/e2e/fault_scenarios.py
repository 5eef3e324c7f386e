#!/usr/bin/python3
"""The real program under Wine when a server hangs: the user presses "Send
Error Report", the settings server or the mail server takes the connection
and never answers, and the program waits on it, as it is meant to (it has no
time-out). While it waits, the report's archive and its "NO" record must
already be on disk; the user then ends the program, and nothing is lost: the
archive and the record stay, and so do the crash files, as the program never
came to clean them up.

usage: fault_scenarios.py SCENARIO   (environment: NORDA_WINE_TEMPLATE,
       NORDA_BINARY_DIR, NORDA_SOURCE_DIR, NORDA_SETTINGS_BASE_URL, NORDA_SMTP_PORT)
"""
import os
import sys
import threading
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from prefix import Peer, read_ini, wait_until, write_utf16_ini, zip_entries  # noqa: E402
from run_e2e import run_scenario, scenarios_of, settings_server  # noqa: E402

DIALOG = "NORDA Error Report"
IDC_SEND = 41523
CRASH_LOG = b"NORDA+ 12.3.4567 crash log\r\nException: 0xC0000005 ACCESS_VIOLATION in NORDA.EXE\r\n"
DUMP = bytes(range(256)) * 400
# The driver waits for this file before it ends the program: the checks made
# while the program hangs are done by then.
CHECKED = "C:\\checked.txt"
STALL_SECONDS = 25


def leave_crash(prefix):
    """The crash files and the report description, as the CAD application leaves them."""
    os.makedirs(prefix.unix("C:\\Crash"), exist_ok=True)
    files = {"LOGFile": ("C:\\Crash\\Crash_20261206.log", CRASH_LOG), "DMPFile": ("C:\\Crash\\crash.dmp", DUMP)}
    for path, data in files.values():
        with open(prefix.unix(path), "wb") as f:
            f.write(data)
    lines = ["[CrashReport Infor]"] + ["%s=%s" % (key, path) for key, (path, _) in files.items()]
    write_utf16_ini(os.path.join(prefix.report_folder, "CrashReport.ini"), "\n".join(lines + ["[FilesToAdd]"]) + "\n")
    return files


def settings_port():
    return os.environ["NORDA_SETTINGS_BASE_URL"].rsplit(":", 1)[1]


def hanging_server(prefix, port, wait_for, greeting=""):
    marker = os.path.join(prefix.scratch, "stalled.txt")
    peer = Peer("stalled_server.py", ["--stalled-file", marker, "--wait-for", str(wait_for), "--greeting", greeting,
                                      "--port", port], prefix.scratch)
    return peer, marker


def read(path):
    with open(path, "rb") as f:
        return f.read()


def send_and_end_while_it_hangs(prefix, peers, marker, received):
    """Presses Send, checks the disk while the program waits on the hanging
    server, then ends the program; fails with every check that did not hold."""
    files = leave_crash(prefix)
    archive = os.path.join(prefix.report_folder, "BugReport", "Crash_20261206.zip")
    archive_name = prefix.windows_user_path("AppData", "Roaming", "CrashReport", "BugReport", "Crash_20261206.zip")
    book = os.path.join(prefix.report_folder, "SendRecord.ini")
    failures = []
    outcome = {}

    def drive():
        try:
            outcome["out"] = prefix.drive([
                "start C:\\NORDA\\NordaErrorDialog.exe", "wait-window " + DIALOG,
                "click \"%s\" %d" % (DIALOG, IDC_SEND),
                "wait-file " + CHECKED, "end-program", "wait-exit"])
        except AssertionError as error:
            outcome["error"] = str(error)

    driver = threading.Thread(target=drive)
    driver.start()
    try:
        if not wait_until(lambda: os.path.exists(marker) or not driver.is_alive(), STALL_SECONDS):
            failures.append("the program never reached the hanging server")
        elif not os.path.exists(marker):
            failures.append("the driver ended before the program reached the hanging server")
        else:
            got = read(marker).decode("utf-8")
            if not got.startswith(received):
                failures.append("the hanging server got %r, not %r" % (got[:80], received))
            # What the report needs is on disk while the program waits.
            try:
                entries = zip_entries(archive)
                wanted = {"LOGFile_Crash_20261206.log": CRASH_LOG, "DMPFile_crash.dmp": DUMP}
                if entries != wanted:
                    failures.append("archive entries while waiting: %r" % sorted(entries))
            except (OSError, zipfile.BadZipFile, AssertionError) as error:
                failures.append("no whole archive while waiting: %s" % error)
            records = read_ini(book) if os.path.exists(book) else None
            if records is None or "Record1" not in records:
                failures.append("no record while waiting")
            else:
                record = dict(records["Record1"])
                if record.get("File Name") != archive_name or record.get("Send or Not") != "NO":
                    failures.append("record while waiting: %r" % record)
                if records.has_section("Record0"):
                    failures.append("a final record while the send still waits")
    finally:
        with open(prefix.unix(CHECKED), "w") as f:
            f.write("checked\n")
        driver.join()
        for peer in peers:
            peer.stop()

    if "error" in outcome:
        failures.append(outcome["error"])
    elif "exit 1" not in outcome.get("out", []):
        failures.append("the program was not ended by the user:\n" + "\n".join(outcome.get("out", [])))
    # Ending the program loses nothing: the archive and its record stay, and
    # the crash files, which only a normal end removes, are still there.
    try:
        if sorted(zip_entries(archive)) != ["DMPFile_crash.dmp", "LOGFile_Crash_20261206.log"]:
            failures.append("the archive changed as the program was ended")
    except (OSError, zipfile.BadZipFile, AssertionError) as error:
        failures.append("no whole archive after the program was ended: %s" % error)
    records = read_ini(book) if os.path.exists(book) else None
    if records is None or not records.has_section("Record1") or records["Record1"].get("Send or Not") != "NO":
        failures.append("the record is gone after the program was ended")
    for path, data in files.values():
        if not os.path.exists(prefix.unix(path)) or read(prefix.unix(path)) != data:
            failures.append("crash file %s lost" % path)
    if not os.path.exists(os.path.join(prefix.report_folder, "CrashReport.ini")):
        failures.append("the report description is lost")
    if failures:
        raise AssertionError("\n  " + "\n  ".join(failures))


def scenario_settings_server_hangs(prefix):
    peer, marker = hanging_server(prefix, settings_port(), 1)
    send_and_end_while_it_hangs(prefix, [peer], marker,
                                "GET /norda+/vozavededavu/CrMailInfo/CrSendInfo.txt HTTP/1.1\r\n")


def scenario_mail_server_hangs(prefix):
    peers = [settings_server(prefix)]
    peer, marker = hanging_server(prefix, os.environ["NORDA_SMTP_PORT"], len("HELO 127.0.0.1\r\n"),
                                  "220 peer.test ready\\r\\n")
    send_and_end_while_it_hangs(prefix, peers + [peer], marker, "HELO 127.0.0.1\r\n")


if __name__ == "__main__":
    sys.exit(run_scenario(scenarios_of(globals()), sys.argv))
